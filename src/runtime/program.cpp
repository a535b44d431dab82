#include <unistd.h>

#include <new>
#include <string>

#include "runtime/io.hpp"
#include "runtime/units_internal.hpp"

namespace rt {

int run_program(void (*body)()) {
  install_signal_handlers();
  int status = 0;
  std::string diagnostic;
  try {
    body();
  } catch (const StopRequest& s) {
    status = s.status;
  } catch (const FatalError& e) {
    diagnostic = e.what();
    status = 2;
  } catch (const std::bad_alloc&) {
    diagnostic = "ride_estimate: memoire insuffisante";
    status = 2;
  }
  const std::string close_error = close_all();
  if (diagnostic.empty() && !close_error.empty()) {
    diagnostic = close_error;
    status = 2;
  }
  if (!diagnostic.empty()) {
    diagnostic.push_back('\n');
    [[maybe_unused]] const ssize_t n = ::write(2, diagnostic.data(), diagnostic.size());
  }
  return status;
}

}  // namespace rt
