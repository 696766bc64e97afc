#include "editor/pictures/window_pictures.h"

#include <initializer_list>

// Defined in the sources that generate_window_pictures writes.
namespace window_picture_data {
extern const WindowPicture kPicture128;
extern const WindowPicture kPicture129;
extern const WindowPicture kPicture130;
extern const WindowPicture kPicture131;
}  // namespace window_picture_data

const WindowPicture* findWindowPicture(int resourceId) {
    using namespace window_picture_data;
    for (const WindowPicture* picture : {&kPicture128, &kPicture129, &kPicture130, &kPicture131})
        if (picture->resourceId == resourceId) return picture;
    return nullptr;
}
