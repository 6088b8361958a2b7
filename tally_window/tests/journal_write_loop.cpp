// Writes journal records 1, 2, 3 ... on from the one found in the folder,
// printing each number once its write has returned, until it is killed.
// Usage: journal_write_loop FOLDER

#include "tally_window/journal_file.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    JournalFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.lock())
        return 3;
    const JournalFile::Reading reading = file.read();
    if (reading.kind == JournalFile::Reading::Damaged)
        return 4;
    JournalRecord record = reading.record;
    for (long n = record.tally.captions[Tally::Buyer].value.toLong() + 1;; ++n) {
        record.tally.captions[Tally::Buyer].value = QString::number(n);
        // A record of a full sheet's size.
        record.tally.captions[Tally::Supplier].value = QString(int(n % 500), QChar(0x6797));
        if (const Done written = file.write(journalJson(record)); !written.ok()) {
            std::fprintf(stderr, "%s\n", qPrintable(written.logText()));
            return 5;
        }
        std::printf("%ld\n", n);
        std::fflush(stdout);
    }
}
