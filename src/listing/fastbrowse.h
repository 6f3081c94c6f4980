#pragma once
// Fast browse between copies of this program. Our browse request carries a
// marker where the original keeps the request's text without reading it. A
// copy that sees the marker sends the same list datagrams without the long
// pauses and then an end datagram "@_+E;<list datagrams sent>", so that the
// requester knows the list is complete. The original ignores that code, and
// a request without the marker never brings one.
#include "core/workersqueue.h"

#include <QString>

#include <optional>

inline constexpr char kFastBrowseMarker[] = "QMF1";
inline constexpr char kListEndCode[] = "@_+E";

// True when the text of a browse request "@_+L" carries the marker.
bool AsksFastBrowse(const QString &requestText);
// A browse answer as a marked request gets it: the list datagrams followed by
// the end datagram; a no-shares reply stays as it is.
AnswerQueue::Datagrams WithListEnd(AnswerQueue::Datagrams answer);
// The number of list datagrams an end datagram's text announces.
std::optional<int> ReadListEnd(const QString &text);
