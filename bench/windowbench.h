#pragma once

#include <QString>

class BenchTable;
class MainWindow;

// What the window measurements work on: the large file by name, the word
// that occurs in it wordCount times, and an identifier found all over the
// project.
struct WindowBenchOptions
{
    QString bigFileName = QStringLiteral("Big.java"); // empty: the file with most lines
    int bigFileFragments = 2000; // as annotated, before expressions are split; -1: records
    QString bigFileWord = QStringLiteral("hotspot");
    int bigFileWordCount = 5000; // -1: not known
    QString projectIdentifier = QStringLiteral("compute");
    int openCloseFiles = 50;
};

// Drives a shown, idle main window the way a participant would and adds
// rows to the table: memory before and after opening and closing many files,
// opening the large file, searching it, and searching the whole project
// against grep over the same files.
void measureWindow(MainWindow *window, const WindowBenchOptions &options, BenchTable &table);
