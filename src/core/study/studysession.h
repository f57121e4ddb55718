#pragma once

#include "core/formats/sessionfile.h"
#include "core/study/signinplan.h"
#include "core/study/studyinputs.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <future>

// The session file of the participant signed in: what they were given at
// their first sign-in, kept at every later one, and one sitting per sign-in.
class StudySession
{
public:
    // inputs: the folder's design as read at start; materialFiles: the files
    // whose hash names the material (StudyMaterials::files). The hash is
    // worked out in the background from here on (the sources of a large
    // project take a second or more), so that signing in need not wait.
    StudySession(const QString &folder, const StudyInputs &inputs,
                 const QStringList &materialFiles);
    // The same, with the files listed in the background too (listing a
    // large project sorts tens of thousands of paths).
    StudySession(const QString &folder, const StudyInputs &inputs,
                 std::function<QStringList()> listMaterialFiles);

    // UTC; tests replace it.
    void setClock(std::function<QDateTime()> clock);

    // Decides, before anything is written, what the participant signing in
    // gets: the condition and task order of their session file, or new ones
    // by the design's rules. False, with the reasons in problems (one line
    // each), when they cannot sign in: their session file does not read, or
    // names a condition study.json no longer has.
    bool prepare(const QString &account, const QString &user, QStringList *problems);

    const SignInPlan::Plan &plan() const { return m_plan; }
    // The condition of the plan, or null when the study has none.
    const StudyCondition *condition() const;

    // Starts a sitting now and writes the session file. False, with the
    // reason in error, when it could not be written; the sitting goes on.
    bool begin(int screenWidth, int screenHeight, QString *error = nullptr);
    // Ends the running sitting (the first call counts) and writes the file
    // again. False when there is no sitting or the file could not be written.
    bool end(QString *error = nullptr);

    QString path() const { return m_path; }

private:
    QString m_folder;
    StudyInputs m_inputs;
    std::shared_future<QString> m_materials;
    std::function<QDateTime()> m_clock;
    SignInPlan::Plan m_plan;
    SessionFile m_session;
    QString m_path;
    bool m_running = false;
};
