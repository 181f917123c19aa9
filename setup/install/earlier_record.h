// The record that an earlier installation of the same product left in the
// destination, read before this installation's own replaces it: installing
// again over an installation must neither make its uninstaller forget what
// the first one made nor leave the first one's links behind.
#ifndef MURKLE_INSTALL_EARLIER_RECORD_H
#define MURKLE_INSTALL_EARLIER_RECORD_H

#include "common/uninstall_format.h"
#include "uninstall_record.h"

class EarlierInstallation {
 public:
  EarlierInstallation() { common_[0] = common_[1] = links_[0] = links_[1] = '\0'; }

  // Reads the uninst.ini in now.file_dir, where an installation of the same
  // provider's program into that same folder (however spelt) wrote it; false
  // when there is none.
  bool Read(const UninstallRecord& now);

  // Takes into now the folders that the earlier record says were made, where
  // this installation made none for the same destination (program group) and
  // the folder is on the path of now's own, spelt as now spells it: the
  // uninstaller then still removes them.
  void CarryCreatedFolders(UninstallRecord* now) const;

  // Once now is written: deletes the earlier installation's links that lead
  // into this destination and are none of those this installation has just
  // saved (compared on disk, whatever their spelling), and the group folders
  // that the earlier one made, once they are empty. No shell folder goes.
  void TakeOver(const UninstallRecord& now) const;

 private:
  // A record of this installer holds 8 keys of at most 280 bytes in [COMMON]
  // and 64 names in [SHORTCUTS]; one that does not fit is no record of ours.
  char common_[4096];
  char links_[record::kMaxNames * 72];
};

#endif
