#pragma once

#include <QStringList>

// zevo-cli's commands, one file each. Each takes the words after its name and returns the
// program's exit status.
int StatusCommand(const QStringList& arguments);
int UsersCommand(const QStringList& arguments);
int StartCommand(const QStringList& arguments);
int RestartCommand(const QStringList& arguments);
int ConfigCommand(const QStringList& arguments);
int FixCommand(const QStringList& arguments);
int MetricsCommand(const QStringList& arguments);
