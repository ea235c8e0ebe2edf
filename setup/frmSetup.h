// The options dialog: five three-state check boxes and the extension list of
// section "trk", the maker's logo and three link labels.
#pragma once

namespace frmSetup {

// Shows the dialog modally; OK writes all six keys, Cancel and the close
// command write nothing.
void Show();

}  // namespace frmSetup
