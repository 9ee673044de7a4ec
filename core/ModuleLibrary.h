#pragma once
// The program's own modules: shared libraries beside the program holding
// code whose libraries take long to load (OpenCV's), loaded the first time
// that code is needed instead of before the window can show.
//
// Each module has one entry point, a C function returning its table of
// functions, and carries the identity of the build it comes from (a hash of
// the sources and flags): a module of another build is refused, so a copy
// left by an older program or an old build folder is never run. A module is
// looked for beside the program first, then in the installed modules' folder
// (lib/diradi beside the program's bin), then in the build folder (where
// tests and benchmarks, in folders of their own, find it), and loaded once;
// it is never unloaded, since objects it made live until the program ends.
// Safe from any thread.
#include <QString>
#include <QStringList>
#include <QtGlobal>

class CModuleLibrary
{
public:
    CModuleLibrary() = delete;

    // Where the module strFileName is looked for, in order.
    static QStringList Candidates(const QString& strFileName);

    // The entry point pEntry of the module strFileName; null when the module
    // cannot be found or loaded, or has no such entry point, with the reason
    // in strErr. Later calls give the first answer.
    static QFunctionPointer Entry(const QString& strFileName, const char* pEntry, QString& strErr);

    // The table of functions pEntry returns, refused unless it comes from
    // this build of the program (its m_iVersion is T::VERSION); null with
    // the reason in strErr.
    template <class T>
    static const T* Table(const QString& strFileName, const char* pEntry, QString& strErr)
    {
        using EntryFn = const T* (*)();
        const auto pFn = reinterpret_cast<EntryFn>(Entry(strFileName, pEntry, strErr));
        if (!pFn)
            return nullptr;
        const T* pTable = pFn();
        if (!pTable || pTable->m_iVersion != T::VERSION) {
            strErr = strFileName + QStringLiteral(": from another build of the program");
            return nullptr;
        }
        return pTable;
    }
};
