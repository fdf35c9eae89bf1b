#include "support/temp_dir.h"

#include "system/desktop_entry.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const QString appId = QStringLiteral("org.tarvo.Tarvo");

struct ToolRun {
    bool finished = false;
    int exitCode = -1;
    QByteArray output; // standard output and error together
};

ToolRun runTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ToolRun result;
    result.finished = process.waitForFinished(120000);
    result.exitCode = process.exitCode();
    result.output = process.readAll();
    return result;
}

// What the tests compare in a metainfo file: the component's id, its summaries by
// xml:lang ("" for the untranslated one), its launchables and the release versions in
// document order.
struct MetainfoFacts {
    QString id;
    QHash<QString, QString> summaries;
    QStringList launchables;
    QStringList releaseVersions;
    bool wellFormed = false;
};

MetainfoFacts readMetainfo(const QString& path) {
    MetainfoFacts facts;
    QXmlStreamReader xml(readAll(path));
    if (!xml.readNextStartElement() || xml.name() != QStringLiteral("component"))
        return facts;
    int depth = 1;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            --depth;
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        ++depth;
        const auto name = xml.name();
        if (name == QStringLiteral("release")) {
            facts.releaseVersions.append(
                xml.attributes().value(QStringLiteral("version")).toString());
        } else if (depth == 2 && name == QStringLiteral("id")) {
            facts.id = xml.readElementText();
            --depth;
        } else if (depth == 2 && name == QStringLiteral("summary")) {
            const QString lang = xml.attributes().value(QStringLiteral("xml:lang")).toString();
            facts.summaries.insert(lang, xml.readElementText());
            --depth;
        } else if (depth == 2 && name == QStringLiteral("launchable")) {
            facts.launchables.append(xml.readElementText());
            --depth;
        }
    }
    facts.wellFormed = !xml.hasError();
    return facts;
}

// The build installed into a temporary prefix, once for every test here, the way
// `cmake --install` and the Debian package put it in place.
class InstalledDesktopFiles : public testing::Test {
protected:
    static void SetUpTestSuite() {
        root = new QTemporaryDir;
        const ToolRun install =
            runTool(QStringLiteral(TARVO_CMAKE_COMMAND),
                    {QStringLiteral("--install"), QStringLiteral(TARVO_BUILD_DIR),
                     QStringLiteral("--prefix"), root->filePath(QStringLiteral("usr"))});
        installed = install.finished && install.exitCode == 0;
        installLog = QString::fromLocal8Bit(install.output);
    }
    static void TearDownTestSuite() {
        delete root;
        root = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(installed) << qPrintable(installLog); }

    static QString share(const QString& path) {
        return root->filePath(QStringLiteral("usr/share/") + path);
    }
    static QString tool(const QString& name, const char* package) {
        const QString path = QStandardPaths::findExecutable(name);
        EXPECT_FALSE(path.isEmpty())
            << qPrintable(name) << " is needed (package " << package << ", see scripts/setup.sh)";
        return path;
    }

    static inline QTemporaryDir* root = nullptr;
    static inline bool installed = false;
    static inline QString installLog;
};

} // namespace

TEST_F(InstalledDesktopFiles, TheLauncherIsValidAndStartsTheInstalledProgramWithItsIcon) {
    const QString launcher = share(QStringLiteral("applications/") + appId + ".desktop");
    const auto entry = readDesktopEntryFile(launcher);
    ASSERT_TRUE(entry) << qPrintable(launcher);
    EXPECT_EQ(entry->value(QStringLiteral("Type")), QStringLiteral("Application"));

    // Exec names the program by its bare name, so it is found on the search path wherever
    // the prefix is; it must be the program this install put in bin/.
    const auto exec = splitExec(entry->value(QStringLiteral("Exec")));
    ASSERT_TRUE(exec);
    ASSERT_EQ(exec->size(), 1);
    EXPECT_FALSE(exec->front().contains(u'/'));
    EXPECT_TRUE(
        QFileInfo(root->filePath(QStringLiteral("usr/bin/") + exec->front())).isExecutable());

    EXPECT_EQ(entry->value(QStringLiteral("Icon")), appId);
    EXPECT_TRUE(QFileInfo::exists(
        share(QStringLiteral("icons/hicolor/scalable/apps/") + appId + QStringLiteral(".svg"))));

    const QString validator = tool(QStringLiteral("desktop-file-validate"), "desktop-file-utils");
    ASSERT_FALSE(validator.isEmpty());
    const ToolRun validate = runTool(validator, {launcher});
    ASSERT_TRUE(validate.finished);
    EXPECT_EQ(validate.exitCode, 0);
    EXPECT_EQ(validate.output, QByteArray()); // not even a hint
}

TEST_F(InstalledDesktopFiles, TheMetainfoIsValidAndDescribesThisLauncherAndVersion) {
    const QString metainfo = share(QStringLiteral("metainfo/") + appId + ".metainfo.xml");
    const MetainfoFacts facts = readMetainfo(metainfo);
    ASSERT_TRUE(facts.wellFormed) << qPrintable(metainfo);
    EXPECT_EQ(facts.id, appId);
    EXPECT_EQ(facts.launchables, QStringList{appId + QStringLiteral(".desktop")});
    EXPECT_FALSE(facts.summaries.value(QString()).isEmpty());
    EXPECT_FALSE(facts.summaries.value(QStringLiteral("ar")).isEmpty());
    // A new version needs its own release entry, newest first.
    ASSERT_FALSE(facts.releaseVersions.isEmpty());
    EXPECT_EQ(facts.releaseVersions.front(), QStringLiteral(TARVO_VERSION));

    const QString validator = tool(QStringLiteral("appstreamcli"), "appstream");
    ASSERT_FALSE(validator.isEmpty());
    const ToolRun file = runTool(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                             QStringLiteral("--no-color"), metainfo});
    ASSERT_TRUE(file.finished);
    EXPECT_EQ(file.exitCode, 0) << file.output.constData();
    // The whole tree: the launcher the metadata names must be installed beside it.
    const ToolRun tree =
        runTool(validator, {QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                            QStringLiteral("--no-color"), root->path()});
    ASSERT_TRUE(tree.finished);
    EXPECT_EQ(tree.exitCode, 0) << tree.output.constData();
}

TEST_F(InstalledDesktopFiles, TheIconIsWellFormedSvg) {
    QXmlStreamReader xml(
        readAll(share(QStringLiteral("icons/hicolor/scalable/apps/") + appId + ".svg")));
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QStringLiteral("svg"));
    EXPECT_EQ(xml.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
    EXPECT_FALSE(xml.attributes().value(QStringLiteral("viewBox")).isEmpty());
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
}
