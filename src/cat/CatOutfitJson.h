#pragma once
// The outfit as a JSON value, for records that nest it (album keepsakes). Include from .cpp files only.
#include "cat/CatOutfit.h"

#include <nlohmann/json.hpp>

namespace kp {

nlohmann::ordered_json outfitToJsonValue(const CatOutfit& outfit);
// Same strict rules as CatOutfit::fromJson; a value that is not an object fails too.
std::optional<CatOutfit> outfitFromJsonValue(const nlohmann::ordered_json& value);

}  // namespace kp
