// The manager's questions put through the program's message windows.
#pragma once

#include <memory>

#include "manager/QuestionAsker.h"

std::unique_ptr<QuestionAsker> MakeWindowQuestionAsker();
