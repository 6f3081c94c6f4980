#pragma once
// The pictures of the chat window's buttons and of the wait notice, drawn in code.
#include <QIcon>

namespace chatglyphs {

QIcon NamePrefix();   // three Hangul letters with a check mark
QIcon SenderColours(); // vertical colour stripes
QIcon Eraser();
QIcon Waiting();      // an hourglass, 16 and 32 pixels

} // namespace chatglyphs
