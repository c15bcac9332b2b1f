// A yes/no test of one found file's properties.
#pragma once

class IFileProperties;

class IFileFilter {
public:
    virtual ~IFileFilter() = default;
    // Reads the properties through their operations only; changes nothing. False for null.
    virtual bool IsMatch(const IFileProperties* properties) const = 0;
};
