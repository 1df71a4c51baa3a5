// Receives the changes a user makes to a control.
#pragma once

class CControl;

class CControlListener {
public:
    virtual ~CControlListener() {}
    virtual void valueChanged(CControl* control) = 0;
};
