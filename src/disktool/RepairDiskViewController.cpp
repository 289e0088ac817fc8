#include "disktool/RepairDiskViewController.h"

RepairDiskViewController::RepairDiskViewController(QWidget* parent) : QWidget(parent) {}

void RepairDiskViewController::loadData() {}

void RepairDiskViewController::normalSelectCell() {}
