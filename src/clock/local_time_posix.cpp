#include "clock/local_time.h"

namespace quorvane {

// localtime_r, unlike localtime(), does not check the zone file again on
// every call.
std::tm localCalendarTime(std::time_t moment) {
  std::tm local{};
  localtime_r(&moment, &local);
  return local;
}

}  // namespace quorvane
