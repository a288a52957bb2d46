// The five sensor models and their selection.
#pragma once

#include <cstdint>

void mnuKxs201_Click();
void mnuKxs202_Click();
void mnuKXS305_Click();
void mnuKxs306_Click();
void mnuKxs307_Click();

// Main-window set-up for a dual-axis accelerometer or a single-axis gyroscope.
void SetupForAccel();
void SetupForGyro();

void lblDevice_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
