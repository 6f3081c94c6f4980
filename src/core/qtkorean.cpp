#include "core/qtkorean.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

void LoadQtKorean() {
    auto *translator = new QTranslator(QCoreApplication::instance());
    // Without the translations installed the dialogs stay English; nothing else depends on them.
    if (translator->load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
