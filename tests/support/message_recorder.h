#pragma once
// Answers every message box a test provokes and keeps what it said: questions (Yes/No)
// take the next queued answer (No when none is left), everything else is answered OK.
#include <deque>
#include <string>
#include <vector>

// Installs the recorder as the message-box handler; the three containers must outlive it.
void RecordMessageBoxes(std::vector<std::string>& messages, std::vector<std::string>& captions,
                        std::deque<int>& answers);
