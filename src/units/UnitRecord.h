#pragma once
// Everything of a unit that its property dialog can change, and the scale
// of the data the unit shows, taken whole when the dialog opens: a dialog
// that is cancelled puts every value back, whatever was edited on the way
// and however the dialog's fields rounded it.
#include <functional>
#include <vector>

namespace velmor {

class CKxDrawUnit;

class UnitRecord {
public:
    UnitRecord() = default;
    // Takes the values of `unit`, which must outlive the record.
    explicit UnitRecord(CKxDrawUnit& unit);

    bool Empty() const { return m_parts.empty(); }
    // Whether the unit (and its data) still holds every value taken.
    bool Unchanged() const;
    // Puts every value taken back.
    void Restore() const;

private:
    struct Part {
        std::function<bool()> unchanged;
        std::function<void()> restore;
    };
    template <typename Owner, typename Fields>
    static Part Keep(Owner& owner, Fields fields);
    template <typename Owner, typename Fields>
    void KeepAs(CKxDrawUnit& unit, Fields fields);

    std::vector<Part> m_parts;
};

} // namespace velmor
