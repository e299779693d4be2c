// Feeds arbitrary bytes to the layout reader. Beyond "no crash, no leak, no UB"
// it checks the promises the keyboard page relies on: bounded key count,
// geometry inside the clamp range, rows 0..6 and bounded labels.
#include "keyLayoutParser.h"

#include <QtGlobal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void dropMessages(QtMsgType, const QMessageLogContext &, const QString &) {}

void check(bool ok)
{
    if (!ok)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // A malformed file logs a notice per record; printing them would drown the fuzzer's own output.
    qInstallMessageHandler(dropMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // The file reader hands the parser a NUL-terminated copy; an embedded NUL ends the text there.
    std::vector<char> text(size + 1, '\0');
    if (size > 0)
        std::memcpy(text.data(), data, size);

    const KeyLayout layout = parseKeyLayout(text.data());

    check(layout.loaded || layout.keys.empty());
    check(layout.keys.size() <= size_t(keyLayoutLimits::maxKeys));
    int previousRow = 0;
    for (const KeyRecord &key : layout.keys) {
        const int limit = keyLayoutLimits::maxCoordinate;
        check(key.x >= -limit && key.x <= limit && key.y >= -limit && key.y <= limit);
        check(key.width >= 0 && key.width <= limit && key.height >= 0 && key.height <= limit);
        check(key.row >= 0 && key.row <= 6 && key.row >= previousRow);
        check(key.label.size() <= keyLayoutLimits::maxLabelChars);
        check(key.qtDec != 13 && key.qtDec != 255);
        previousRow = key.row;
    }
    return 0;
}
