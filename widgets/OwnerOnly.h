#pragma once

class Shop;

// An owner's command (moving the archive, reindexing, deleting a record, managing clerks): true when it may run at
// this counter; otherwise the clerk is told so and nothing happens.
bool ownerOnly(const Shop& shop);
