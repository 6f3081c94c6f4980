// The whole receive path: any datagram, from any sender, with every command code.
#include "core/dispatcher.h"
#include "fuzzworld.h"

#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    TMainForm &form = FuzzWorld();
    if (size < 2 || size > 4096 + 2) return 0;
    QByteArray datagram(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    // Half the inputs get a valid code in front, so every handler is reached often.
    if (data[1] & 0x80) datagram.prepend(Dispatcher::kCommandTable[(data[1] & 0x7F) % Dispatcher::kCommandTable.size()]);
    form.dispatcher().DispatchDatagram(FuzzSender(data[0]), datagram.left(4096));
    QCoreApplication::processEvents();
    return 0;
}
