#include "app/Main.h"

#include "windows/print/Expir.h"
#include "windows/print/Prijvyd.h"
#include "windows/print/TlacInvent.h"
#include "windows/print/TlacOsob.h"
#include "windows/print/TlacZmluv.h"

void TForm1::V3etky1Click()
{
    form<TForm13>()->Print(0);
}

void TForm1::Aktulne3Click()
{
    form<TForm13>()->Print(1);
}

void TForm1::Expirovanpovypran1Click()
{
    form<TForm13>()->Print(2);
}

void TForm1::Zaplaten3Click()
{
    form<TForm13>()->Print(3);
}

void TForm1::Prepadnut3Click()
{
    form<TForm13>()->Print(4);
}

void TForm1::Predl6ovan1Click()
{
    form<TForm13>()->Print(5);
}

void TForm1::Osoby3Click()
{
    form<TForm14>()->Print();
}

void TForm1::Vetok3Click()
{
    form<TForm15>()->Print(0);
}

void TForm1::Aktulnypredvypranm1Click()
{
    form<TForm15>()->Print(1);
}

void TForm1::Expirovanpovypran2Click()
{
    form<TForm15>()->Print(2);
}

void TForm1::Napredaj3Click()
{
    form<TForm15>()->Print(3);
}

void TForm1::Predan3Click()
{
    form<TForm15>()->Print(4);
}

void TForm1::Expirciazmlv2Click()
{
    form<TForm16>()->ShowToday();
}

void TForm1::PrjmyVdaje1Click()
{
    form<TForm8>()->ShowToday();
}
