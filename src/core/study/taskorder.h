#pragma once

#include <QList>
#include <QString>

// The order in which a participant sees the tasks: the task numbers of
// questions.txt, from 1, page by page. The first keepFirst tasks always stay
// in front in their own order (practice tasks); the rules arrange the rest.
namespace TaskOrdering {

// 1, 2, ..., taskCount.
QList<int> fixed(int taskCount);

// A random order that depends on the account name alone, so the same
// account gets the same order on every machine and in every version: a
// Fisher-Yates shuffle (from the last place down, each place swapped with a
// place drawn from those not yet fixed) driven by SplitMix64, seeded with
// the first 8 bytes of the SHA-256 of the account's UTF-8 bytes, read as a
// big-endian number; a place below n is drawn as the next number modulo n,
// numbers from the incomplete last block being drawn again.
QList<int> shuffled(int taskCount, int keepFirst, const QString &account);

// Row (number - 1) of a balanced Latin square (Williams design) over the
// tasks after keepFirst: the first row is 1, 2, n, 3, n - 1, ..., every
// further row adds 1 to each task (from n back to 1). With an even number of
// tasks to arrange, n rows make the square; with an odd number, the n rows
// are followed by the same rows reversed (2n in all). So every task stands in
// every place, and follows every other task, equally often after each full
// round of participants. number counts from 1; the rows repeat after a round.
QList<int> latinSquare(int taskCount, int keepFirst, int number);

// The number of participants that makes one full round of latinSquare().
int latinSquareRows(int taskCount, int keepFirst);

} // namespace TaskOrdering
