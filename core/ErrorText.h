#pragma once

#include <QString>

class MervanaError;

// What the clerk reads of an error: its own text, or, where the store leaves the wording to the shop (a record
// another counter changed or deleted meanwhile, a value of a field kept unique taken already), the shop's sentence.
QString errorText(const MervanaError& error);
