#pragma once
// Pictures of the download window: the row states and the buttons of its bar.
#include <QIcon>

namespace downloadicons {

// By StateIcon index: waiting, transferring, stopped, complete, failed.
QIcon State(int index);

enum class Button { Stop, StartAll, Start, Upward, Downward };
QIcon Get(Button button);

} // namespace downloadicons
