#pragma once

#include "print/ListReport.h"

// The persons list: every person by last name.
class TForm14 : public ListReport
{
    Q_OBJECT
public:
    explicit TForm14(Store& store, QObject* parent = nullptr);
};
