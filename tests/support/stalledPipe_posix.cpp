#include "stalledPipe.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

StalledPipe::StalledPipe() : m_path(m_root.filePath(QStringLiteral("pipe.log")))
{
    const QByteArray name = QFile::encodeName(m_path);
    // Opened for reading first, without waiting, so the writer's open does not block.
    if (m_root.isValid() && ::mkfifo(name.constData(), 0600) == 0)
        m_reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK);
}

StalledPipe::~StalledPipe()
{
    if (m_drain.joinable())
        m_drain.join();
    if (m_reader >= 0)
        ::close(m_reader);
}

void StalledPipe::startReading()
{
    m_drain = std::thread([this] {
        ::fcntl(m_reader, F_SETFL, 0); // blocking: reads until the writer closes its end
        char chunk[4096];
        for (ssize_t n; (n = ::read(m_reader, chunk, sizeof chunk)) > 0;)
            m_text.append(chunk, int(n));
    });
}

QByteArray StalledPipe::text()
{
    if (m_drain.joinable())
        m_drain.join();
    return m_text;
}
