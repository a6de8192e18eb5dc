#pragma once

#include "store/trail/Trail.h"

#include <QString>

// What the clerk reads of an action of the trail, in the list of changes and a person's data.
QString actionName(Trail::Action action);

// In place of a personal value whose key is gone: "(vymazané)".
QString erasedText();
// The row with erasedText() in place of each erased value, as every reader of the trail shows it.
Trail::Row worded(Trail::Row row);
// What guards the trail and is missing, as the owner reads it: "tabuľka Zmeny, spúšťač Zmeny_no_update".
QString missingText(const QList<Trail::Missing>& missing);
