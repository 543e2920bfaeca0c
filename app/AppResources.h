#pragma once

namespace q417 {

// q417app is a static library: its compiled-in resources (the icons) reach a program only
// when something refers to them. Call this once before the first QIcon of ":/icons/...".
void InitAppResources();

}  // namespace q417
