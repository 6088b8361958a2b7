#include "tally_window/tally_fields.h"

#include "tally_window/click_label.h"

// The layout flag is the visibility the links were given, whether or not the
// window itself is on screen at the moment.
bool TallyFields::standardLayoutShown() const
{
    return !label19->isHidden();
}

bool TallyFields::extendedLayoutShown() const
{
    return !label20->isHidden();
}
