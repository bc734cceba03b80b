#pragma once

namespace kav {

// Maps the window's design fonts onto installed ones: Arial to a
// metric-compatible face, Gulim to a Gulim-style face or the default sans.
void installDesignFonts();

} // namespace kav
