// The LV2 face's names: the plug-in, its window, its kit property and the keys of its saved state,
// and the mapped numbers of every URI the run call and the state use.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#define TL_LV2_URI "http://brennwick.example/plugins/tembro-laxis"

namespace lv2face {

constexpr char kPluginUri[] = TL_LV2_URI;
constexpr char kUiUri[] = TL_LV2_URI "#ui";
constexpr char kKitPropertyUri[] = TL_LV2_URI "#kit";
// Saved state: the layout's version, the kit property, and per slot keys made by slotKey().
constexpr char kStateVersionUri[] = TL_LV2_URI "#stateVersion";
constexpr int32_t kStateVersion = 1;

struct Uris {
    explicit Uris(LV2_URID_Map* map)
        : map(map),
          atomPath(map->map(map->handle, LV2_ATOM__Path)),
          atomString(map->map(map->handle, LV2_ATOM__String)),
          atomInt(map->map(map->handle, LV2_ATOM__Int)),
          atomFloat(map->map(map->handle, LV2_ATOM__Float)),
          atomBool(map->map(map->handle, LV2_ATOM__Bool)),
          atomUrid(map->map(map->handle, LV2_ATOM__URID)),
          atomObject(map->map(map->handle, LV2_ATOM__Object)),
          atomBlank(map->map(map->handle, LV2_ATOM__Blank)),
          atomResource(map->map(map->handle, LV2_ATOM__Resource)),
          atomSequence(map->map(map->handle, LV2_ATOM__Sequence)),
          midiEvent(map->map(map->handle, LV2_MIDI__MidiEvent)),
          patchSet(map->map(map->handle, LV2_PATCH__Set)),
          patchGet(map->map(map->handle, LV2_PATCH__Get)),
          patchProperty(map->map(map->handle, LV2_PATCH__property)),
          patchValue(map->map(map->handle, LV2_PATCH__value)),
          patchSubject(map->map(map->handle, LV2_PATCH__subject)),
          stateChanged(map->map(map->handle, LV2_STATE__StateChanged)),
          kit(map->map(map->handle, kKitPropertyUri)),
          stateVersion(map->map(map->handle, kStateVersionUri)) {}

    LV2_URID_Map* map;
    LV2_URID atomPath, atomString, atomInt, atomFloat, atomBool, atomUrid, atomObject, atomBlank, atomResource,
        atomSequence;
    LV2_URID midiEvent;
    LV2_URID patchSet, patchGet, patchProperty, patchValue, patchSubject;
    LV2_URID stateChanged, kit, stateVersion;
};

}  // namespace lv2face
