// The man page of kavrilink-cli against what the program itself prints: every
// command, option and exit code of `kavrilink-cli --help` and of each
// command's own --help must be documented, and the page must document nothing
// the program lacks, so neither can fall behind the other when the command
// line changes.

#include "support/testfolder.h"

#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <algorithm>

namespace {

struct Help
{
    QStringList commands;
    QMap<QString, QStringList> synopsisOptions; // options on a command's own line(s) in --help
    QStringList options;
    QStringList exitCodes;
};

// An option is a word of its own that starts with - or -- and a letter.
QStringList optionsIn(const QString &text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[A-Za-z][\\w-]*)"));
    QStringList found;
    for (const QRegularExpressionMatch &match : option.globalMatch(text)) {
        if (!found.contains(match.captured(1)))
            found.append(match.captured(1));
    }
    return found;
}

// Reads the "Commands:" and "Exit codes:" blocks of the usage text; an entry
// starts two spaces in, its synopsis ends at the first run of two blanks, and
// a line eight spaces in carries its synopsis on.
Help parseHelp(const QString &text)
{
    static const QRegularExpression entry(QStringLiteral("^  (\\S.*?)(?:  +.*)?$"));
    static const QRegularExpression exitCode(QStringLiteral("^\\s+(\\d+(?:, \\d+)*)\\s"));
    static const QRegularExpression continued(QStringLiteral("^ {8}(\\S.*)$"));
    Help help;
    help.options = optionsIn(text);
    QString block;
    QString command; // the entry a continued synopsis belongs to
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (!line.isEmpty() && !line.front().isSpace()) {
            block = line.endsWith(QLatin1Char(':')) ? line : QString();
            continue;
        }
        if (block == QLatin1String("Commands:")) {
            if (const QRegularExpressionMatch more = continued.match(line); more.hasMatch() && !command.isEmpty()) {
                help.synopsisOptions[command] += optionsIn(more.captured(1));
                continue;
            }
            const QRegularExpressionMatch match = entry.match(line);
            const QString synopsis = match.captured(1);
            if (!match.hasMatch() || synopsis.startsWith(QLatin1Char('-')))
                continue;
            command = synopsis.section(QLatin1Char(' '), 0, 0);
            help.commands.append(command);
            help.synopsisOptions[command] = optionsIn(synopsis);
        } else if (block == QLatin1String("Exit codes:")) {
            const QRegularExpressionMatch match = exitCode.match(line);
            if (match.hasMatch())
                help.exitCodes += match.captured(1).split(QStringLiteral(", "));
        }
    }
    return help;
}

// The text a roff line shows, near enough for finding names: font changes and
// escapes dropped, \- as -, a macro line without its macro and quotes.
QString roffText(QString line)
{
    if (line.startsWith(QLatin1Char('.'))) {
        line = line.section(QLatin1Char(' '), 1);
        line.remove(QLatin1Char('"'));
    }
    static const QRegularExpression escape(QStringLiteral("\\\\(f[BIRP]|\\(..|\\[[^]]*\\]|[&%])"));
    line.replace(QLatin1String("\\-"), QLatin1String("-"));
    line.replace(escape, QString());
    return line.simplified();
}

// The tags (the line after each .TP) of every section (.SH) of a man page.
QMap<QString, QStringList> tagsBySection(const QString &page)
{
    QMap<QString, QStringList> tags;
    QString section;
    bool tagNext = false;
    for (const QString &line : page.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".SH "))) {
            section = roffText(line);
            tagNext = false;
        } else if (line == QLatin1String(".TP")) {
            tagNext = true;
        } else if (tagNext) {
            tags[section].append(roffText(line));
            tagNext = false;
        }
    }
    return tags;
}

bool hasWord(const QString &text, const QString &word)
{
    const QRegularExpression whole(QStringLiteral("(?<![\\w-])") + QRegularExpression::escape(word) +
                                   QStringLiteral("(?![\\w-])"));
    return whole.match(text).hasMatch();
}

} // namespace

class TestManPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void documentsWhatTheHelpPrints_data();
    void documentsWhatTheHelpPrints();
    void documentsNoCommandTheProgramLacks();
    void documentsNoOptionOrCodeTheProgramLacks_data();
    void documentsNoOptionOrCodeTheProgramLacks();

private:
    [[nodiscard]] bool runCli(const QStringList &arguments, QString &out) const;

    TestFolder m_folder;
    Help m_help;
    QMap<QString, QStringList> m_commandHelpOptions; // options of `COMMAND --help`
    QMap<QString, QStringList> m_tags;
};

bool TestManPage::runCli(const QStringList &arguments, QString &out) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), m_folder.dataHome());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(KAVRILINK_CLI), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return false;
    out = QString::fromLocal8Bit(process.readAllStandardOutput());
    return process.exitCode() == 0;
}

void TestManPage::initTestCase()
{
    QString usage;
    QVERIFY2(runCli({QStringLiteral("--help")}, usage), "kavrilink-cli --help failed");
    m_help = parseHelp(usage);
    // A help text whose layout changed must not leave nothing to check.
    QVERIFY2(!m_help.commands.isEmpty() && !m_help.options.isEmpty() && !m_help.exitCodes.isEmpty(),
             qPrintable(QStringLiteral("no commands, options or exit codes read from:\n") + usage));
    QVERIFY(m_help.exitCodes.contains(QStringLiteral("0")));
    for (const QString &command : std::as_const(m_help.commands)) {
        QString text;
        QVERIFY2(runCli({command, QStringLiteral("--help")}, text), qPrintable(command + QStringLiteral(" --help")));
        m_commandHelpOptions[command] = optionsIn(text);
        QVERIFY2(!m_commandHelpOptions[command].isEmpty(), qPrintable(text));
    }

    QFile page(QStringLiteral(KAVRILINK_MANPAGE));
    QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(page.fileName()));
    m_tags = tagsBySection(QString::fromUtf8(page.readAll()));
}

void TestManPage::documentsWhatTheHelpPrints_data()
{
    // A row asks for a tag in section whose first word is `first` (any tag when
    // empty) and which holds `word` as a word of its own.
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("word");

    const QString commands = QStringLiteral("COMMANDS");
    const QString options = QStringLiteral("OPTIONS");
    for (const QString &command : std::as_const(m_help.commands)) {
        QTest::addRow("command %s", qPrintable(command)) << commands << command << command;
        for (const QString &option : m_help.synopsisOptions.value(command))
            QTest::addRow("%s synopsis %s", qPrintable(command), qPrintable(option)) << commands << command << option;
        for (const QString &option : m_commandHelpOptions.value(command))
            QTest::addRow("%s --help %s", qPrintable(command), qPrintable(option)) << options << QString() << option;
    }
    for (const QString &option : std::as_const(m_help.options))
        QTest::addRow("option %s", qPrintable(option)) << options << QString() << option;
    for (const QString &code : std::as_const(m_help.exitCodes))
        QTest::addRow("exit %s", qPrintable(code)) << QStringLiteral("EXIT STATUS") << QString() << code;
}

void TestManPage::documentsWhatTheHelpPrints()
{
    QFETCH(QString, section);
    QFETCH(QString, first);
    QFETCH(QString, word);

    const QStringList tags = m_tags.value(section);
    const bool found = std::any_of(tags.cbegin(), tags.cend(), [&](const QString &tag) {
        return (first.isEmpty() || tag.section(QLatin1Char(' '), 0, 0) == first) && hasWord(tag, word);
    });
    QVERIFY2(found,
             qPrintable(QStringLiteral("%1 is not documented under %2 in %3; tags there: %4")
                            .arg(word, section, QStringLiteral(KAVRILINK_MANPAGE), tags.join(QStringLiteral(" | ")))));
}

void TestManPage::documentsNoCommandTheProgramLacks()
{
    const QStringList tags = m_tags.value(QStringLiteral("COMMANDS"));
    QVERIFY(!tags.isEmpty());
    for (const QString &tag : tags) {
        const QString command = tag.section(QLatin1Char(' '), 0, 0);
        QVERIFY2(m_help.commands.contains(command),
                 qPrintable(QStringLiteral("the man page documents '%1', which --help does not list").arg(command)));
    }
}

void TestManPage::documentsNoOptionOrCodeTheProgramLacks_data()
{
    // A row is a tag of the man page and what the program prints that must hold
    // every option in it (for a command: its synopsis in --help) or its code.
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QStringList>("known");
    QTest::addColumn<bool>("exitCode");

    QStringList everyOption = m_help.options;
    for (const QStringList &options : std::as_const(m_commandHelpOptions))
        everyOption += options;
    for (const QString &tag : m_tags.value(QStringLiteral("COMMANDS"))) {
        const QString command = tag.section(QLatin1Char(' '), 0, 0);
        QTest::addRow("command %s", qPrintable(command)) << tag << m_help.synopsisOptions.value(command) << false;
    }
    for (const QString &tag : m_tags.value(QStringLiteral("OPTIONS")))
        QTest::addRow("option %s", qPrintable(tag)) << tag << everyOption << false;
    for (const QString &tag : m_tags.value(QStringLiteral("EXIT STATUS")))
        QTest::addRow("exit %s", qPrintable(tag)) << tag << m_help.exitCodes << true;
}

void TestManPage::documentsNoOptionOrCodeTheProgramLacks()
{
    QFETCH(QString, tag);
    QFETCH(QStringList, known);
    QFETCH(bool, exitCode);

    static const QRegularExpression number(QStringLiteral("\\d+"));
    QStringList named = optionsIn(tag);
    if (exitCode) {
        named.clear();
        for (const QRegularExpressionMatch &match : number.globalMatch(tag))
            named.append(match.captured());
    }
    QVERIFY2(!named.isEmpty(), qPrintable(QStringLiteral("the tag '%1' names nothing to check").arg(tag)));
    for (const QString &name : std::as_const(named)) {
        QVERIFY2(known.contains(name),
                 qPrintable(QStringLiteral("the man page documents %1 in '%2', which --help does not print; it has %3")
                                .arg(name, tag, known.join(QLatin1Char(' ')))));
    }
}

QTEST_GUILESS_MAIN(TestManPage)
#include "tst_manpage.moc"
