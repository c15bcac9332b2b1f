// What the file-type controller reads from its page: the catalogue shown in the page's tree, with the
// check states the user left, and whether the tree's root is fully checked.
#pragma once

class CMapFileTypeInfo;

class ITypeOfFileToRecoveryView {
public:
    virtual ~ITypeOfFileToRecoveryView() = default;
    virtual bool IsAllTypesChecked() = 0;
    // Null while the page has no catalogue.
    virtual CMapFileTypeInfo* GetCatalogue() = 0;
};
