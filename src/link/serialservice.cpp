#include "link/serialservice.h"

namespace kav {

SerialService::~SerialService() = default;

} // namespace kav
