#pragma once

// The keyboard's identity as its firmware tells it in two 0x0D answers: a name
// text ("maker,model,version") and a build-time text ("Jan  5 2023,10:11:12").
// Turning those into the one entry of the link's identity map needs no device,
// so it lives here where tests drive it with whatever bytes a firmware might send.

#include <QString>

namespace keyboardIdentity {

// Bytes from this offset of an answer carry the text.
constexpr int kTextOffset = 6;
constexpr int kReportSize = 64;
// Queries written before giving up on a keyboard that keeps answering with its
// build time; each costs the 250 ms answer wait.
constexpr int kMaxQueries = 3;

struct Entry
{
    QString key;
    QString value;
};

// The text of an answer: from byte 6 to the first zero byte, the end of what
// was read (length) or the end of the report, whichever comes first; decoded as
// UTF-8 (bytes that are not UTF-8 become replacement characters). A null
// report or a length of 6 or less gives an empty text.
QString answerText(const unsigned char *report, int length);

// "<hidNum>-<name text>", the form that the entry is built from.
QString numberedName(int hidNum, const QString &nameText);

// A build-time answer (or anything else with a colon in it) is not a name text.
bool isNameText(const QString &numberedName);

// "Jan" .. "Dec" -> 1 .. 12, anything else -> 1.
int monthNumber(const QString &text);

// "Jan  5 2023,10:11:12" -> "2023/1/5 10:11:12". A text that has no comma or
// whose date part is shorter than "Jan 5 2023" is not a build time the
// keyboard could mean; it is passed on trimmed, as the keyboard sent it, so
// the operator sees it rather than a made-up date.
QString buildTime(const QString &buildText);

// Key "<head>,<middle>" and value "<last>---<build time>" from the numbered
// name "<head...>,<middle>,<last>"; a part missing for want of commas is the
// whole numbered name (so "1-K87" gives the key "1-K87,1-K87").
Entry makeEntry(const QString &numberedName, const QString &buildText);

} // namespace keyboardIdentity
