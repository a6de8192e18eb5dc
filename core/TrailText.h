#pragma once

#include "store/trail/Trail.h"

#include <QString>

// What the clerk reads of an action of the trail, in the list of changes and a person's data.
QString actionName(Trail::Action action);
