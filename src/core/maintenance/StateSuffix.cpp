#include "maintenance/StateSuffix.h"

namespace orq {

namespace {

bool isSeparator(QChar c) {
    return c == u'\\' || c == u'/';
}

} // namespace

const QString& stateCodeText() {
    static const QString text =
        QStringLiteral("_RO_AC_AM_RR_PA_AP_TO_MA_PI_CE_RN_PB_PE_AL_SE_BA_MG_ES_RJ_SP_PR_SC_RS_MS_"
                       "MT_GO_DF");
    return text;
}

bool countsAsSuffixed(const QString& caption) {
    const QString tail = caption.right(3);
    return !tail.isEmpty() && stateCodeText().contains(tail);
}

QString databaseFolder(const QString& databasePath) {
    qsizetype at = -1;
    for (qsizetype i = databasePath.size() - 1; i >= 0; --i) {
        if (isSeparator(databasePath[i]) || databasePath[i] == u':') {
            at = i;
            break;
        }
    }
    if (at < 0)
        return QString();
    // "C:\" and "\\" keep their separator: without it they would name another folder.
    if (isSeparator(databasePath[at]) && at > 0 && !isSeparator(databasePath[at - 1]) &&
        databasePath[at - 1] != u':')
        return databasePath.left(at);
    return databasePath.left(at + 1);
}

bool endsWithSuffix(const QString& folder, const QString& suffix) {
    return folder.right(3) == suffix;
}

QString suffixRenameProblem(const QString& folder, const QString& caption, const QString& code) {
    const QString name =
        folder.mid(std::max(folder.lastIndexOf(u'\\'), folder.lastIndexOf(u'/')) + 1);
    if (name.isEmpty() || name != caption || folder.endsWith(u':'))
        return QStringLiteral("A pasta \"%1\" não é a da base \"%2\" e não foi renomeada")
            .arg(folder, caption);
    bool control = false;
    for (QChar c : code)
        control = control || c.unicode() < 32;
    if (control || code.contains(u'\\') || code.contains(u'/') || code.contains(u':') ||
        code == u"." || code == u"..")
        return QStringLiteral("O código de UF \"%1\" da base \"%2\" não serve para nome de pasta "
                              "e a pasta não foi renomeada")
            .arg(code, caption);
    return QString();
}

} // namespace orq
