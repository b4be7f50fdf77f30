// The decimal separator found without Qt against Qt's own: QLocale for every
// locale Qt knows and for odd names, and QLocale::system() in a child process
// for the environment variables that name the locale.

#include "tool/locale_separator.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLocale>
#include <QProcess>
#include <QStringList>

#include <cstdio>
#include <string>

namespace {

using robustez::localeDecimalSeparator;

std::string qtSeparator(const QString& name) {
    return QLocale(name).decimalPoint().toStdString();
}

constexpr const char* kPrintSeparators = "--print-system-separators";

TEST(LocaleSeparator, SameAsQtForEveryLocale) {
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 300);
    int mismatches = 0;
    for (const QLocale& locale : locales) {
        const QString name = locale.name() + QStringLiteral(".UTF-8");
        const std::string ours(localeDecimalSeparator(name.toStdString()));
        if (ours != qtSeparator(name)) {
            ++mismatches;
            ADD_FAILURE() << name.toStdString() << ": " << ours << " instead of "
                          << qtSeparator(name);
        }
    }
    EXPECT_EQ(mismatches, 0) << "regenerate src/tool/locale_separator_table.cpp with the "
                                "target update_locale_separators";
}

TEST(LocaleSeparator, SameAsQtForEveryLanguageCodeAndOddNames) {
    QStringList names = {
        "",
        "C",
        "C.UTF-8",
        "POSIX",
        "c",
        "de",
        "DE_ch",
        "de-CH",
        "de_CH.ISO-8859-1",
        "de_CH@euro",
        "de.UTF-8",
        "de@euro",
        "de_",
        "_DE",
        "de__CH",
        "de_Latn_CH",
        "sr_Latn_RS",
        "sr_RS@latin",
        "uz_Arab_AF",
        "ms_Arab_MY",
        "es_419",
        "en_001",
        "en_DE",
        "fr_JP",
        "de_XX",
        "xx_DE",
        "no_NO",
        "iw_IL",
        "tl_PH",
        "fil_PH",
        "ar",
        "ar_DZ.UTF-8",
        "fa_IR",
        "d\xC3\xA9_CH",
        "de_C\xC3\xA9",
        "en_US.UTF-8@x",
    };
    // Every two- and three-letter code, alone and with a territory.
    for (char a = 'a'; a <= 'z'; ++a) {
        for (char b = 'a'; b <= 'z'; ++b) {
            const QString two = QString(QChar(a)) + QChar(b);
            names << two << two + QStringLiteral("_CH");
            for (char c = 'a'; c <= 'z'; ++c) {
                names << two + QChar(c);
            }
        }
    }
    for (const QString& name : names) {
        const std::string bytes = name.toStdString();
        EXPECT_EQ(std::string(localeDecimalSeparator(bytes)), qtSeparator(name)) << bytes;
    }
}

TEST(LocaleSeparator, EnvironmentPrecedenceAsQtSystemLocale) {
    // LC_ALL, LC_NUMERIC, LANG; "-" leaves a variable unset. The expected
    // separators are CLDR's: "," for de and fr, "." for en and de_CH, U+066B
    // for ar_EG.
    const struct {
        const char* lcAll;
        const char* lcNumeric;
        const char* lang;
        std::string separator;
    } cases[] = {
        {"-", "-", "-", "."},
        {"de_DE.UTF-8", "en_US.UTF-8", "en_US.UTF-8", ","},
        {"", "de_DE.UTF-8", "en_US.UTF-8", ","},
        {"-", "en_US.UTF-8", "de_DE.UTF-8", "."},
        {"-", "", "fr_FR.UTF-8", ","},
        {"C", "de_DE", "de_DE", "."},
        {"C.UTF-8", "-", "de_DE", "."},
        {"POSIX", "-", "fr_FR", "."},
        {"-", "de_CH.UTF-8", "-", "."},
        {"-", "-", "ar_EG.UTF-8", "\xD9\xAB"},
    };
    for (const auto& c : cases) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        const std::pair<const char*, const char*> variables[] = {
            {"LC_ALL", c.lcAll}, {"LC_NUMERIC", c.lcNumeric}, {"LANG", c.lang}};
        for (const auto& [name, value] : variables) {
            env.remove(QString::fromLatin1(name));
            if (std::string(value) != "-") {
                env.insert(QString::fromLatin1(name), QString::fromLatin1(value));
            }
        }
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QString::fromLatin1(kPrintSeparators)});
        ASSERT_TRUE(child.waitForFinished(30000));
        const std::string out = child.readAllStandardOutput().toStdString();
        const std::string trace = std::string(c.lcAll) + " " + c.lcNumeric + " " + c.lang;
        EXPECT_EQ(out, "qt " + c.separator + "\nours " + c.separator + "\n") << trace;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == kPrintSeparators) {
        std::printf("qt %s\nours %s\n", QLocale::system().decimalPoint().toStdString().c_str(),
                    std::string(robustez::systemDecimalSeparator()).c_str());
        return 0;
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
