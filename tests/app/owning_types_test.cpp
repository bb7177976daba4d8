// Types that own a resource through a raw pointer or handle cannot be copied:
// a copy would release it twice. Checked when this file compiles.
#include <type_traits>

#include "audio/music_player.h"
#include "gfx/texture.h"
#include "platform/gl_window.h"
#include "timeline/timeline.h"

namespace {

template <typename T>
constexpr bool copyable = std::is_copy_constructible<T>::value || std::is_copy_assignable<T>::value;

static_assert(!copyable<Texture>, "Texture owns its pixels and texture names");
static_assert(!copyable<GlWindow>, "GlWindow owns the window and its GL context");
static_assert(!copyable<MusicPlayer>, "MusicPlayer owns its stream");
static_assert(!copyable<SceneTimeline>, "SceneTimeline owns the scene slots");

}  // namespace
