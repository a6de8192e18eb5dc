#pragma once

#include <QWidget>

class TForm1;
class Table;

class TForm7 : public QWidget
{
    Q_OBJECT
public:
    explicit TForm7(TForm1* main);
    ~TForm7() override;

    Table* Table1 = nullptr; // the window's own instance of Predlz.DBF

private:
    TForm1* m_main;
};
