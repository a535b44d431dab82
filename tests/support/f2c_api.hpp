// The C interface of the reference run-time library (libf2c) that the
// reference tests and the run-time benchmark call: f2c.h, whose macros
// would clash with the standard library, and the I/O entry points, which it
// does not declare.
#pragma once

#include <f2c.h>
#undef abs
#undef min
#undef max
#undef dmin
#undef dmax

extern "C" {
void f_init(void);
integer f_open(olist*);
integer f_rew(alist*);
integer f_clos(cllist*);
integer s_wsfe(cilist*);
integer e_wsfe(void);
integer s_rsfe(cilist*);
integer e_rsfe(void);
integer do_fio(ftnint* number, char* ptr, ftnlen len);
integer s_wsle(cilist*);
integer e_wsle(void);
integer s_rsle(cilist*);
integer e_rsle(void);
integer do_lio(ftnint* type, ftnint* number, char* ptr, ftnlen len);
}
