#include "widgets/OwnerOnly.h"

#include "core/Shop.h"
#include "widgets/Messages.h"

using namespace Qt::Literals::StringLiterals;

bool ownerOnly(const Shop& shop)
{
    if (shop.ownerMayWork()) return true;
    Messages::warning(u"Túto činnosť môže vykonať iba vlastník."_s);
    return false;
}
