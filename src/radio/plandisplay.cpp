#include "radio/plandisplay.h"

namespace kav {

PlanDisplay::~PlanDisplay() = default;

} // namespace kav
