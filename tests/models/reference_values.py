"""Independent reference values for the models tests.

Emulates the models' arithmetic with mpmath: every intermediate rounded to a
64-bit significand (the extended format), float stores rounded to 24 bits, the
library's double functions taken as correctly rounded. Prints each result with
its float bits. Run: python3 reference_values.py (needs mpmath).
"""
import mpmath, struct
from mpmath import mp, mpf
mp.prec = 64
def f32(x):
    with mp.workprec(24):
        y = +mpf(x)
    return y
def fl(s):  # float literal -> float32 value
    with mp.workprec(200):
        v = mpf(s)
    return f32(v)
def bits(x):
    return struct.pack('>f', float(x)).hex().upper()
def double_of(fn, x):  # the library's double function of a double argument, correctly rounded
    with mp.workprec(200):
        r = fn(mpf(float(x)))
    return mpf(float(r))
def dsin(x): return double_of(mpmath.sin, x)
def dcos(x): return double_of(mpmath.cos, x)
def dasin(x): return double_of(mpmath.asin, x)
def dsqrt(x): return double_of(mpmath.sqrt, x)
PI=fl('3.141592'); H=fl('180'); HALF=fl('0.5'); R=fl('6366')
def gc(lat1,lon1,lat2,lon2):
    lat1,lon1,lat2,lon2=map(fl,(lat1,lon1,lat2,lon2))
    c1=f32(dcos(lat1*PI/H)); c2=f32(dcos(lat2*PI/H))
    s1=f32(dsin((lat1-lat2)*HALF*PI/H)); s2=f32(dsin((lon1-lon2)*HALF*PI/H))
    h=s1*s1+(c1*c2)*(s2*s2)
    r=f32(dsqrt(h)); a=f32(dasin(r))
    return f32((a+a)*R)
for args in [('0','0','1','0'),('45','5','45.001','5'),('45','5','45','5.001')]:
    v=gc(*args); print('gc',args, mpmath.nstr(v,10), bits(v))
G=fl('9.81'); G4=fl('39.24'); G2=fl('96.23611')
print('G2 bits', bits(G2), bits(f32(G*G)))
def ns(vp,slope,crr,k,w,p):
    vp,slope,crr,k,w,p = map(lambda x: x if isinstance(x,mpf) else fl(x),(vp,slope,crr,k,w,p))
    if vp==0:
        b=crr+slope
        rad=(p*G4)/w+(b*b)*G2
        if rad<0: return mpf('nan')
        r=f32(dsqrt(rad))
        V=(r-G*b)*HALF
        return mpf(0) if V<0 else f32(V)
    v=vp
    a=crr+slope; q=(v*v)*k; q=q/w; a=a+q; f=p/v; f=f/w; a=a-f; a=a*G
    return f32(v-a)
for c in [('0','0','200'),('0','0','300'),('0','0.05','200'),('0','0.25','100'),('0','-0.05','0'),('0','0','0'),('0','0.1','0'),('0','0.1','-10'),('5','0','200'),('10','0','200'),('1.1','0.25','100'),('1.1','0.2','100')]:
    v=ns(c[0],c[1],'0.01','0.2','800',c[2]); print('ns',c,mpmath.nstr(v,10),bits(v))
v=mpf(0)
for i in range(600): v=ns(v,'0','0.01','0.2','800','200')
print('600', mpmath.nstr(v,10), bits(v))
STEP=fl('0.1'); AIR=fl('0.0042866943')
def fs(p):
    p=fl(p); v=mpf(0); n=0
    while True:
        v=v+STEP; n+=1
        Rq=(v*80)/36+((v*AIR)*v)*v
        if not (p>Rq): break
    return n, f32(v)
for p in ['-50','0','0.2','0.23','1','50','100','150','200','250','300','400','1000','0.2222265','0.2222266']:
    n,v=fs(p); print('fs',p,n,mpmath.nstr(v,10),bits(v))
v=STEP; print('R1', mpmath.nstr((v*80)/36+((v*AIR)*v)*v, 12))
