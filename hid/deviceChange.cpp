#include "deviceChange.h"

#include <algorithm>
#include <initializer_list>

namespace deviceChange {

namespace {

// udev texts are short; a longer one is not a device we could be looking for.
constexpr std::size_t kMaxFieldBytes = 1024;
// A bench plugs one keyboard at a time; a handful of remembered devices is
// plenty, and the oldest goes first should a hub of them ever arrive.
constexpr std::size_t kMaxRememberedDevices = 64;

char lowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

std::string lowered(const std::string &text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// One to four hexadecimal digits, as the kernel writes ids without leading zeros.
bool parseShortHex(const std::string &text, unsigned &value)
{
    if (text.empty() || text.size() > 4)
        return false;
    value = 0;
    for (char c : text) {
        if (!isHexDigit(c))
            return false;
        const char l = lowerAscii(c);
        value = value * 16 + unsigned(l <= '9' ? l - '0' : l - 'a' + 10);
    }
    return true;
}

std::uint32_t readLe32(const unsigned char *p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

void appendUtf8(std::string &out, std::uint32_t codePoint)
{
    if (codePoint < 0x80) {
        out += char(codePoint);
    } else if (codePoint < 0x800) {
        out += char(0xC0 | (codePoint >> 6));
        out += char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += char(0xE0 | (codePoint >> 12));
        out += char(0x80 | ((codePoint >> 6) & 0x3F));
        out += char(0x80 | (codePoint & 0x3F));
    } else {
        out += char(0xF0 | (codePoint >> 18));
        out += char(0x80 | ((codePoint >> 12) & 0x3F));
        out += char(0x80 | ((codePoint >> 6) & 0x3F));
        out += char(0x80 | (codePoint & 0x3F));
    }
}

// The UTF-16 text between begin and end (whole units only) up to its
// terminator, or to end when it has none. Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const unsigned char *begin, std::size_t bytes)
{
    constexpr std::uint32_t kReplacement = 0xFFFD;
    std::string out;
    const std::size_t units = bytes / 2;
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = std::uint32_t(begin[2 * i]) | std::uint32_t(begin[2 * i + 1]) << 8;
        if (unit == 0)
            break;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
            const std::uint32_t next = std::uint32_t(begin[2 * i + 2]) | std::uint32_t(begin[2 * i + 3]) << 8;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit);
    }
    return out;
}

} // namespace

bool idsValid(const std::string &vid4, const std::string &pid4)
{
    const auto fourHex = [](const std::string &id) {
        return id.size() == 4 && std::all_of(id.begin(), id.end(), isHexDigit);
    };
    return fourHex(vid4) && fourHex(pid4);
}

bool pathMatchesIds(const std::string &path, const std::string &vid4, const std::string &pid4)
{
    if (!idsValid(vid4, pid4))
        return false;
    const std::string text = lowered(path);
    return text.find(lowered(vid4)) != std::string::npos && text.find(lowered(pid4)) != std::string::npos;
}

bool carriesRecord(std::uintptr_t wParam)
{
    return wParam == kDeviceArrival || wParam == kDeviceRemoveComplete;
}

Recognition recognizeWindowsMessage(const WindowsDeviceMessage &message, const std::string &vid4,
                                    const std::string &pid4)
{
    const Recognition none{Kind::None, {}};
    if (message.message != kWmDeviceChange || !carriesRecord(message.wParam))
        return none;
    if (!message.record || message.recordBytes < kNameOffset)
        return none;
    const auto *bytes = static_cast<const unsigned char *>(message.record);
    const std::size_t declared = readLe32(bytes);
    if (readLe32(bytes + 4) != kDeviceTypeInterface || declared < kNameOffset)
        return none;
    const std::size_t bound = std::min({message.recordBytes, declared, kMaxRecordBytes});
    std::string path = utf16ToUtf8(bytes + kNameOffset, bound - kNameOffset);
    if (!pathMatchesIds(path, vid4, pid4))
        return none;
    return {message.wParam == kDeviceArrival ? Kind::Arrival : Kind::Removal, std::move(path)};
}

void UdevPresenceFilter::setIds(const std::string &vid4, const std::string &pid4)
{
    m_vid4 = lowered(vid4);
    m_pid4 = lowered(pid4);
    // Devices seen under other ids are no longer ours to report.
    m_devpaths.clear();
}

PresenceEvent UdevPresenceFilter::feed(const UdevEvent &event)
{
    const PresenceEvent none{Kind::None, {}};
    for (const std::string *field : {&event.action, &event.subsystem, &event.devtype, &event.devpath, &event.product,
                                     &event.idVendor, &event.idModel}) {
        if (field->size() > kMaxFieldBytes)
            return none;
    }
    if (!idsValid(m_vid4, m_pid4) || event.subsystem != "usb" || event.devtype != "usb_device")
        return none;
    if (event.action == "add") {
        if (!namesIds(event))
            return none;
        if (!event.devpath.empty() && !remembered(event.devpath)) {
            if (m_devpaths.size() >= kMaxRememberedDevices)
                m_devpaths.pop_front();
            m_devpaths.push_back(event.devpath);
        }
        return {Kind::Arrival, pathFor(event.devpath)};
    }
    if (event.action == "remove") {
        if (!namesIds(event) && !remembered(event.devpath))
            return none;
        forget(event.devpath);
        return {Kind::Removal, pathFor(event.devpath)};
    }
    return none;
}

bool UdevPresenceFilter::namesIds(const UdevEvent &event) const
{
    if (lowered(event.idVendor) == m_vid4 && lowered(event.idModel) == m_pid4)
        return true;
    // PRODUCT is "vendor/product/release" in hex without leading zeros.
    const std::size_t first = event.product.find('/');
    if (first == std::string::npos)
        return false;
    const std::size_t second = event.product.find('/', first + 1);
    const std::string product =
        event.product.substr(first + 1, second == std::string::npos ? std::string::npos : second - first - 1);
    unsigned vendor = 0, model = 0, wantVendor = 0, wantModel = 0;
    return parseShortHex(event.product.substr(0, first), vendor) && parseShortHex(product, model) &&
           parseShortHex(m_vid4, wantVendor) && parseShortHex(m_pid4, wantModel) && vendor == wantVendor &&
           model == wantModel;
}

bool UdevPresenceFilter::remembered(const std::string &devpath) const
{
    return !devpath.empty() && std::find(m_devpaths.begin(), m_devpaths.end(), devpath) != m_devpaths.end();
}

void UdevPresenceFilter::forget(const std::string &devpath)
{
    m_devpaths.erase(std::remove(m_devpaths.begin(), m_devpaths.end(), devpath), m_devpaths.end());
}

std::string UdevPresenceFilter::pathFor(const std::string &devpath) const
{
    return "usb#vid_" + m_vid4 + "&pid_" + m_pid4 + "#" + devpath;
}

} // namespace deviceChange
