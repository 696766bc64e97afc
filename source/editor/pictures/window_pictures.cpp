#include "editor/pictures/window_pictures.h"

#include <initializer_list>

// Defined in the sources that generate_window_pictures writes: kPicture<id> at scale 1,
// kPicture<id>x150 at 1.5 and kPicture<id>x200 at 2.
namespace window_picture_data {
#define KV7_PICTURES(id) extern const WindowPicture kPicture##id, kPicture##id##x150, kPicture##id##x200;
KV7_PICTURES(128)
KV7_PICTURES(129)
KV7_PICTURES(130)
KV7_PICTURES(131)
#undef KV7_PICTURES
}  // namespace window_picture_data

const WindowPicture* findWindowPicture(int resourceId, double scale) {
    using namespace window_picture_data;
    for (const WindowPicture* picture :
         {&kPicture128, &kPicture129, &kPicture130, &kPicture131, &kPicture128x150, &kPicture129x150, &kPicture130x150,
          &kPicture131x150, &kPicture128x200, &kPicture129x200, &kPicture130x200, &kPicture131x200})
        if (picture->resourceId == resourceId && picture->scale == scale) return picture;
    return nullptr;
}
