#pragma once

#include "resultFigures.h"

#include <QMap>

#include <functional>
#include <optional>
#include <vector>

class keyboardPage;

// The per-key failures as counts on the page's keys: a key's count is the
// units that failed on it, its failures of every kind together. The key
// check names keys by HID usage, which the page turns into its own keys;
// a key the page does not have is left out.
namespace keyHeat {

using PageKeyOfUsage = std::function<std::optional<int>(int usage)>;

QMap<int, int> byPageKey(const std::vector<KeyFailureCount> &keys, const PageKeyOfUsage &pageKeyOfUsage);

// Colours the page's keys by the figures' failures.
void show(keyboardPage &page, const std::vector<KeyFailureCount> &keys);

} // namespace keyHeat
