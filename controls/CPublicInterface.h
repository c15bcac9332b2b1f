// An empty second base class that some dialogs and pages name; it carries no behaviour.
#pragma once

class CPublicInterface {
public:
    CPublicInterface() = default;
    ~CPublicInterface() = default;
};
