// The record that an earlier installation of the same product left in the
// destination, read before this installation's own replaces it: installing
// again over an installation must neither make its uninstaller forget what
// the first one made nor leave the first one's links behind.
#ifndef MURKLE_INSTALL_EARLIER_RECORD_H
#define MURKLE_INSTALL_EARLIER_RECORD_H

#include "uninstall_record.h"

// With now, this installation's record as filled (not yet written), and the
// uninst.ini in now->file_dir written by an installation of the same provider's
// program into that same folder:
// - the folders that the earlier record says were made are taken into now,
//   where this installation made none for the same destination (program
//   group), so that the uninstaller still removes them;
// - the earlier installation's links that this one did not make again (in
//   another group, or a desktop link no longer asked for) are deleted where
//   they lead into this destination, and the group folders it made with them
//   once they are empty.
// Anything else is left alone.
void TakeOverEarlierInstallation(UninstallRecord* now);

#endif
