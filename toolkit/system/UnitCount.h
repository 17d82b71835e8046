#pragma once
// How many users a unit has, for units that every including file starts and ends: the first
// user to enter starts the unit, the last to leave ends it. Constant-initialised, so valid
// before any file's initialiser runs.

template <class Unit>
class TUnitCount {
public:
    // True for the first user: the caller starts the unit.
    static bool Enter() { return FUsers++ == 0; }
    // True for the last user: the caller ends the unit. A leave without an enter is ignored.
    static bool Leave() { return FUsers != 0 && --FUsers == 0; }
    static int Users() { return FUsers; }

private:
    static inline int FUsers = 0;
};
