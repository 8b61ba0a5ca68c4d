#pragma once

#include <cstdint>
#include <string>

#include "texts/TextVariables.h"

namespace pw {

// The display name of a virtual-key code in the current language ("Strg", "F12", "Num 5"). Codes
// without a name of their own are named by their Windows-1252 character (65 gives "A").
std::string keyName(std::uint16_t code, const TextVariables& texts);

}  // namespace pw
