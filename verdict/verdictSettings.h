#pragma once

#include "verdictCriteria.h"

#include <QString>

// The [verdict] section of Config.ini in dataDir. Each value that is not
// understood is logged and left at its default, so a typing error never
// stops the station; it only makes the criteria the defaults'.
VerdictCriteria readVerdictSettings(const QString &dataDir);
