// How a bitmap button tells its owner that the mouse has come to rest on it and that it has left.
#pragma once

#include <QString>

class IButtonPromptChange {
public:
    virtual ~IButtonPromptChange() = default;
    // The text is the button's own prompt, valid for the duration of the call.
    virtual void OnPromptChange(unsigned nCtrlID, const QString& strPromptText) = 0;
    virtual void OnPromptRestore(unsigned nCtrlID) = 0;
};
