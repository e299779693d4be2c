#include "keyButtonLook.h"

namespace keyButtonLook {

namespace {

const char kCommonSheet[] = "color:#000000; font: 75 10pt; border-bottom: 1px solid #7F8386; border-radius:8px;";

struct Glyph
{
    int qtDec;
    ushort codePoint;
};

// FontAwesome 4.7 code points.
const Glyph kGlyphs[] = {
    {37, 0xF0D9},  {38, 0xF0D8},  {39, 0xF0DA},  {40, 0xF0D7},  {91, 0xF17A},  {93, 0xF15C},
    {166, 0xF060}, {167, 0xF061}, {168, 0xF021}, {169, 0xF00D}, {170, 0xF002}, {171, 0xF005},
    {172, 0xF26B}, {173, 0xF026}, {174, 0xF027}, {175, 0xF028}, {176, 0xF050}, {177, 0xF049},
    {178, 0xF0C8}, {179, 0xF04B}, {180, 0xF0E0}, {181, 0xF001}, {182, 0xF108}, {183, 0xF1EC},
};

} // namespace

bool isLockIndicator(int qtDec)
{
    return qtDec >= -14 && qtDec <= -11;
}

QString stateStyleSheet(int state)
{
    const char *background = nullptr;
    switch (state) {
    case KeyState_Untested:
        background = "background-color:#ffffff;";
        break;
    case KeyState_Down:
        background = "background-color:#00e200;";
        break;
    case KeyState_Released:
        background = "background-color:#2c74c1;";
        break;
    case KeyState_Pass:
        background = "background-color:#22ba20;";
        break;
    case KeyState_Fail:
        background = "background-color:#E81122;";
        break;
    case KeyState_NoSuchKey:
        background = "background-color:#000000;";
        break;
    default:
        return QString();
    }
    return QLatin1String(kCommonSheet) + QLatin1String(background);
}

QString lockIndicatorStyleSheet()
{
    // Without "border:none;" styles such as Fusion still draw their button bevel,
    // filled from the transparent colour as solid black, and the black label
    // vanishes into it.
    return QStringLiteral("color:#000000; font: 75 10pt;background-color:transparent;border:none;");
}

QColor heatColour(int count, int mostOfAnyKey)
{
    if (count <= 0 || mostOfAnyKey <= 0)
        return QColor(0xff, 0xff, 0xff);
    // Linear in the count: a key with half the failures of the worst sits
    // half way, so the map reads as the numbers on it.
    const double t = mostOfAnyKey <= 1 ? 1.0 : double(qMin(count, mostOfAnyKey) - 1) / double(mostOfAnyKey - 1);
    const QColor pale(0xff, 0xe0, 0x82);
    const QColor fail(0xe8, 0x11, 0x22);
    auto mix = [t](int from, int to) { return int(from + (to - from) * t + 0.5); };
    return QColor(mix(pale.red(), fail.red()), mix(pale.green(), fail.green()), mix(pale.blue(), fail.blue()));
}

QString heatStyleSheet(int count, int mostOfAnyKey)
{
    const QColor background = heatColour(count, mostOfAnyKey);
    const char *text = background.lightness() < 140 ? "#ffffff" : "#000000";
    return QStringLiteral("color:%1; font: 75 10pt; border-bottom: 1px solid #7F8386; border-radius:8px;"
                          "background-color:%2;")
        .arg(QLatin1String(text), background.name());
}

QChar glyphFor(int qtDec)
{
    for (const Glyph &g : kGlyphs) {
        if (g.qtDec == qtDec)
            return QChar(g.codePoint);
    }
    return QChar();
}

} // namespace keyButtonLook
