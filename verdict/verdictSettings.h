#pragma once

#include "verdictCriteria.h"

#include <QString>

// The [verdict] section of Config.ini in dataDir, its name in any letter case,
// with the chatter threshold of [results] unless [verdict] gives one. Each
// setting not understood is logged (once: the station reads its criteria at
// start) and keeps every unit from passing until the file is mended.
VerdictCriteria readVerdictSettings(const QString &dataDir);
