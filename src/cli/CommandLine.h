#pragma once

#include <QCommandLineParser>
#include <QStringList>
#include <string>

// One command's arguments, read by its own parser. Every command takes --help (its own
// text), --quiet (nothing on standard output, the exit status alone) and --timeout SECONDS
// (how long to wait for a gateway); what is wrong with the arguments is said on standard
// error with the command's usage.
class CommandLine {
  public:
    CommandLine(const char* command, const char* help);

    // A switch ("json") or, with `valueName`, an option taking a value.
    void Add(const char* name, const char* valueName = nullptr);
    // Parses `arguments` (the words after the command). False when the command is to end with
    // `*status`: 0 after --help, the usage status after a wrong argument.
    bool Parse(const QStringList& arguments, int* status);
    // Parse, then at least `least` and at most `most` positional arguments.
    bool Parse(const QStringList& arguments, int least, int most, int* status);

    bool Has(const char* name) const { return m_parser.isSet(name); }
    std::string Value(const char* name) const { return m_parser.value(name).toStdString(); }
    std::string Positional(int index) const;
    int PositionalCount() const { return static_cast<int>(m_parser.positionalArguments().size()); }

    // Says `reason` and the command's usage on standard error; the usage status.
    int Usage(const std::string& reason) const;

  private:
    QCommandLineParser m_parser;
    QString m_command;
    const char* m_help;
};

namespace cli {
// --timeout SECONDS of the program or the command: true when `text` is a number of seconds
// (it is then the wait for a gateway), false after saying why.
bool TakeTimeout(const QString& text);
// --quiet: standard output goes nowhere from here on.
void Quiet();
}  // namespace cli
