#include "clock/local_time.h"

namespace quorvane {

std::tm localCalendarTime(std::time_t moment) {
  std::tm local{};
  localtime_s(&local, &moment);
  return local;
}

}  // namespace quorvane
