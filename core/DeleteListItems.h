// Deleting the owned pointers of a standard container and emptying it.
#pragma once

// Deletes every element (null elements are skipped by delete), then clears the container.
template <class Container>
void DeleteListItems(Container& items)
{
    for (auto* p : items) delete p;
    items.clear();
}

// The same helper under the name some callers use.
template <class Container>
void DeleteAllAndClearPtrList(Container& items)
{
    DeleteListItems(items);
}
