#include "common/settings_store.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using tarvo::QtSettingsStore;

TEST(QtSettingsStore, ValuesWrittenByHandReadBackAsWritten) {
#ifdef _WIN32
    GTEST_SKIP() << "the settings are in the registry on Windows, not a file edited by hand";
#endif
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    QDir().mkpath(dir.filePath("Tarvo"));
    writeFixture(dir, "Tarvo/Tarvo.conf",
                 "[settings]\ninterfaces=lan0,lan1\nquoted=\"lo, usb*\"\nontop=1\n");
    QtSettingsStore store;
    // Unquoted commas make a list for the INI reader; the setting is the text as written.
    EXPECT_EQ(store.value("Tarvo", "settings", "interfaces", {}), u"lan0,lan1");
    EXPECT_EQ(store.value("Tarvo", "settings", "quoted", {}), u"lo, usb*");
    EXPECT_EQ(store.value("Tarvo", "settings", "ontop", "0"), u"1");
    EXPECT_EQ(store.value("Tarvo", "settings", "missing", "d"), u"d");
    store.setValue("Tarvo", "settings", "ontop", "0");
    EXPECT_EQ(store.value("Tarvo", "settings", "ontop", "1"), u"0");
    EXPECT_EQ(store.value("Tarvo", "settings", "interfaces", {}), u"lan0,lan1");
}
