// The options dialog: a three-state check box for each numeric option of
// section "trk", the extension list, the maker's logo and three link labels.
#pragma once

namespace frmSetup {

// Shows the dialog modally; OK writes every key, Cancel and the close
// command write nothing.
void Show();

}  // namespace frmSetup
