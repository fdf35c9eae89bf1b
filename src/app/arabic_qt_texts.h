#pragma once

#include <QTranslator>

namespace tarvo {

// The program's name for Qt's OK button, which Qt's Arabic catalogue words otherwise.
class ProgramButtonTexts final : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }
};

// Qt's own texts in Arabic while it lives: the standard buttons of message boxes ("موافق",
// "نعم", "لا") and the context menus of edit fields.
class ArabicQtTexts {
public:
    ArabicQtTexts() = default;
    ArabicQtTexts(const ArabicQtTexts&) = delete;
    ArabicQtTexts& operator=(const ArabicQtTexts&) = delete;
    ~ArabicQtTexts();

    // False when Qt's Arabic catalogue is not installed; the OK button is named all the same.
    bool install();

    static QString catalogueDirectory();

private:
    QTranslator qtbase_;
    ProgramButtonTexts buttons_;
    bool installed_ = false;
};

} // namespace tarvo
