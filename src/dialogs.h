// The confirmation dialogs: a message and the two answers "确定" and "取消"
// on a grey window centred on the screen. Each is gone without a trace when
// answered.
#pragma once

#include "console/wintypes.h"

// The exit dialog, over a cleared screen: FALSE when the clerk confirms.
BOOL ExitSys();
// The second dialog on the way out: FALSE when the clerk confirms.
BOOL CloseSys();
// Asked before a save or a restore overwrites data files that this copy has
// not seen: TRUE to overwrite. "取消" is chosen at first.
BOOL ConfirmOverwrite();
// Asked before a backup replaces the backup file with a collection that may
// not be the data: TRUE to replace it. "取消" is chosen at first.
BOOL ConfirmBackupOverwrite();
// Asked at start-up when the last run left unsaved work: TRUE to take it
// back. "确定" is chosen at first.
BOOL ConfirmRecovery();
// Asked before a load throws away unsaved work: TRUE to load. "取消" is
// chosen at first.
BOOL ConfirmDiscard();
