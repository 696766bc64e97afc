// The steps after a sound's reading, and the filling of a kit with prepared sounds: shared by
// build and chop. Both print what they changed.
#pragma once

#include <vector>

#include "kit_session.h"
#include "prepared_sound.h"

// --resample when given: converts a sound not at the kit's rate and prints it, named as shownAs;
// answers whether it converted.
bool resampleIfAsked(PreparedSound& sound, const PreparationOptions& options, const std::string& shownAs);
// --trim, then --normalize or --loudness, then --fade-out, as far as given.
void shapeSound(PreparedSound& sound, const PreparationOptions& options);
// --fit when given, then the sounds into slots 1, 2, 3 ...; answers how many found no slot.
int32_t fillSlots(KitSession& session, std::vector<PreparedSound>& sounds, const PreparationOptions& options);
