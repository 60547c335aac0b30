#pragma once

#include <QStringList>

// "tarvo-admin price-file": the price file of the volume data's price-list supplier.
// The arguments after the command; returns the exit code.
int priceFileCommand(const QStringList& args);
