// The five sensor models and their selection.
#pragma once

#include <cstdint>
#include <string>

struct SensorModel;

void mnuKxs201_Click();
void mnuKxs202_Click();
void mnuKXS305_Click();
void mnuKxs306_Click();
void mnuKxs307_Click();

// Makes model the chosen one: its channel tables, menu tick and the main window's set-up.
// The menu handlers above choose their model through it.
void SelectModel(const SensorModel& model);
// The set-up of the chosen model's kind (a gyroscope's without a model).
void SetupForChosenModel();

// Main-window set-up for a dual-axis accelerometer or a single-axis gyroscope.
void SetupForAccel();
void SetupForGyro();

// Chooses the channel shown; a log of a single channel follows it.
void optAdcIn_Click(int16_t Index);
// Title of a channel of the chosen model; nullptr where the title stays as it was.
const char* ChannelTitleFor(const std::string& deviceName, int16_t channel);

void lblDevice_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
