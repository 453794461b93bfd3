// What marks a running copy of the program for the system.
#pragma once

namespace pelmor {

class IInstance {
public:
    virtual ~IInstance() = default;
    // False when start-up must stop (the system has been told why).
    virtual bool Acquire() = 0;
    virtual void Release() = 0;
};

}  // namespace pelmor
