// What receives the scanners of an intelligent search; it does not own them.
#pragma once

class IFileSystemSearchController;

class IContainerofFileSystemSearchController {
public:
    virtual ~IContainerofFileSystemSearchController() = default;
    virtual void AddController(IFileSystemSearchController* controller) = 0;
};
