#include "app/Main.h"

#include "windows/services/Zaloha.h"

void TForm1::Zloha2Click()
{
    Zaloha::BackupToFolder(*this);
}
