#include "studysession.h"

#include "core/study/studymaterials.h"

#include <QFileInfo>

namespace {

QDateTime systemClock()
{
    return QDateTime::currentDateTimeUtc();
}

} // namespace

StudySession::StudySession(const QString &folder, const StudyInputs &inputs,
                           const QStringList &materialFiles)
    : StudySession(folder, inputs, [materialFiles] { return materialFiles; })
{
}

StudySession::StudySession(const QString &folder, const StudyInputs &inputs,
                           std::function<QStringList()> listMaterialFiles)
    : m_folder(folder), m_inputs(inputs), m_clock(systemClock)
{
    m_materials = std::async(std::launch::async, [folder, list = std::move(listMaterialFiles)] {
                      return StudyMaterials::hash(folder, list ? list() : QStringList());
                  }).share();
}

void StudySession::setClock(std::function<QDateTime()> clock)
{
    m_clock = clock ? std::move(clock) : systemClock;
}

bool StudySession::prepare(const QString &account, const QString &user, QStringList *problems)
{
    const QString name = SessionFile::fileName(account, user);
    const QString path = m_folder + QLatin1Char('/') + name;
    SessionFile earlier;
    const bool returning = QFileInfo::exists(path);
    if (returning) {
        const SessionFile::Reading reading = SessionFile::readFile(path, name);
        if (!reading.usable()) {
            for (const Diagnostic &problem : reading.problems) {
                if (problem.severity == Diagnostic::Severity::Error && problems)
                    problems->append(formatDiagnostic(problem));
            }
            return false;
        }
        earlier = reading.session;
    }
    const SignInPlan::FolderState state =
        SignInPlan::folderState(SessionFile::readFolder(m_folder, name));
    SignInPlan::Plan plan = SignInPlan::plan(m_inputs.design, m_inputs.participants,
                                             returning ? &earlier : nullptr, state, account,
                                             m_inputs.taskCount());
    if (!plan.condition.isEmpty() && !m_inputs.design.condition(plan.condition)) {
        if (problems)
            problems->append(QStringLiteral("%1: error: the condition \"%2\" is not in %3")
                                 .arg(name, plan.condition, StudyDesign::FileName));
        return false;
    }
    m_plan = plan;
    m_path = path;
    m_session = earlier;
    m_session.account = account;
    m_session.user = user;
    m_session.condition = plan.condition;
    m_session.taskOrder = plan.taskOrder;
    m_session.number = plan.number;
    m_running = false;
    return true;
}

const StudyCondition *StudySession::condition() const
{
    return m_inputs.design.condition(m_plan.condition);
}

bool StudySession::begin(int screenWidth, int screenHeight, QString *error)
{
    if (m_path.isEmpty())
        return false;
    SessionFile::Sitting sitting;
    sitting.start = m_clock();
    // The material as it was when the viewer started.
    sitting.materials = m_materials.get();
    sitting.version = QStringLiteral(FEATUREHUE_VERSION);
    sitting.screen = {screenWidth, screenHeight};
    m_session.materials = sitting.materials;
    m_session.version = sitting.version;
    m_session.screen = sitting.screen;
    m_session.sittings.append(sitting);
    m_running = true;
    return m_session.write(m_path, error);
}

bool StudySession::end(QString *error)
{
    if (!m_running || m_session.sittings.isEmpty())
        return false;
    m_running = false;
    m_session.sittings.last().end = m_clock();
    return m_session.write(m_path, error);
}
