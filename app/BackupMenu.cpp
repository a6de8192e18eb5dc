#include "app/Main.h"

#include "services/Zaloha.h"

void TForm1::Zloha2Click()
{
    Zaloha::BackupToFolder(*this);
}
