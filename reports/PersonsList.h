#pragma once

#include "reports/ListReport.h"

// The persons list: every person by last name.
class PersonsList : public ListReport
{
    Q_OBJECT
public:
    explicit PersonsList(Shop& shop, QObject* parent = nullptr);

    // Every person, no second heading line.
    void Start();
};
