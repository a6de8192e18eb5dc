#pragma once

#include <QWidget>

class TForm1;
class Table;

class TForm4 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm4(TForm1* main);
    ~TForm4() override;

    Table* Table1 = nullptr; // the window's own instance of Inventar.DBF

private:
    TForm1* m_main;
};
