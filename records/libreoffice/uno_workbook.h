#pragma once

#include "records/workbook.h"

#include <com/sun/star/frame/XDesktop2.hpp>
#include <memory>
#include <mutex>

class OfficeProcess;
class WatchdogArm;

// Loads the workbook hidden in the running office. The workbook holds the
// pass lock and the armed watchdog until it is destroyed.
std::unique_ptr<Workbook> openUnoWorkbook(const css::uno::Reference<css::frame::XDesktop2>& desktop,
    const QString& path, OfficeProcess& office, std::unique_lock<std::mutex> pass,
    std::unique_ptr<WatchdogArm> deadline);

// A new, empty spreadsheet document, hidden, with no file of its own.
std::unique_ptr<Workbook> createUnoWorkbook(
    const css::uno::Reference<css::frame::XDesktop2>& desktop, OfficeProcess& office,
    std::unique_lock<std::mutex> pass, std::unique_ptr<WatchdogArm> deadline);

// Loads and closes an empty hidden spreadsheet, so that the office has its
// spreadsheet component loaded before the first real pass.
void loadSpreadsheetComponent(
    const css::uno::Reference<css::frame::XDesktop2>& desktop, OfficeProcess& office);
