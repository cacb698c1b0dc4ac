#pragma once
// The command line's usage text, kept in one place: --help prints it and --man renders the
// same text as a manual page, so the two never disagree.

#include <QString>

namespace brelloquin::cli {

// The usage of every command, with the common options and the exit statuses.
QString Usage();
// The usage of one command with its options; empty for an unknown command.
QString CommandUsage(const QString& command);
// The whole usage as a manual page (roff).
QString ManualPage(const QString& version);

}  // namespace brelloquin::cli
