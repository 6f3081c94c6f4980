// The whole receive path: a run of datagrams, each from any sender and with
// any command code, into the whole program. Input: records separated by
// "\0|", each one sender byte, one code byte, then the datagram.
#include "core/dispatcher.h"
#include "core/frame.h"
#include "fuzzworld.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr int kMaxDatagrams = 8;

void DispatchRecord(WiredForm &form, QByteArrayView record) {
    if (record.size() < 2) return;
    QByteArray datagram(record.data() + 2, record.size() - 2);
    // Half the records get a valid code in front, so every handler is reached often.
    const auto code = uint8_t(record[1]);
    if (code & 0x80) datagram.prepend(Dispatcher::kCommandTable[(code & 0x7F) % Dispatcher::kCommandTable.size()]);
    form.dispatcher().DispatchDatagram(FuzzSender(uint8_t(record[0])), datagram.left(kMaxDatagramBytes));
    SettleWorld();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    WiredForm &form = FuzzWorld();
    ResetWorld(form);
    const QByteArrayView input(data, qsizetype(size));
    qsizetype start = 0;
    for (int n = 0; n < kMaxDatagrams && start < input.size(); ++n) {
        qsizetype end = input.indexOf(QByteArrayView("\0|", 2), start);
        if (end < 0) end = input.size();
        DispatchRecord(form, input.sliced(start, end - start));
        start = end + 2;
    }
    // What the program answered must itself be a valid datagram.
    for (const SentDatagram &d : g_fuzzNet->Sent())
        if (d.bytes.size() > kMaxDatagramBytes || d.port != kCommandPort) __builtin_trap();
    return 0;
}
