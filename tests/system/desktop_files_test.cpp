#include "support/temp_dir.h"

#include "system/desktop_entry.h"

#include <QProcess>
#include <QStandardPaths>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace tarvo;

namespace {

const QString dataDir = QStringLiteral(TARVO_DATA_DIR);

} // namespace

TEST(DesktopFiles, TheLauncherIsValidAndNamesTheInstalledIcon) {
    const QString launcher = dataDir + QStringLiteral("/tarvo.desktop");
    const auto entry = readDesktopEntryFile(launcher);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->value(QStringLiteral("Type")), QStringLiteral("Application"));
    EXPECT_EQ(splitExec(entry->value(QStringLiteral("Exec"))),
              QStringList{QStringLiteral("tarvo")});
    EXPECT_EQ(entry->value(QStringLiteral("Icon")), QStringLiteral("tarvo"));

    const QString validator =
        QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    ASSERT_FALSE(validator.isEmpty())
        << "desktop-file-validate is needed (package desktop-file-utils, see scripts/setup.sh)";
    QProcess validate;
    validate.start(validator, {launcher});
    ASSERT_TRUE(validate.waitForFinished(60000));
    EXPECT_EQ(validate.exitCode(), 0);
    EXPECT_EQ(validate.readAllStandardOutput(), QByteArray());
}

TEST(DesktopFiles, TheIconIsWellFormedSvg) {
    QXmlStreamReader xml(readAll(dataDir + QStringLiteral("/tarvo.svg")));
    ASSERT_TRUE(xml.readNextStartElement());
    EXPECT_EQ(xml.name(), QStringLiteral("svg"));
    EXPECT_EQ(xml.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
    EXPECT_FALSE(xml.attributes().value(QStringLiteral("viewBox")).isEmpty());
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
}
