#include "ui/CDlgEquipment.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace orva {

CDlgEquipment::CDlgEquipment(EquipmentManager& list, IUiServices& ui, const char* title, QWidget* parent)
    : QDialog(parent), model_(list, ui, title) {
    setWindowTitle(title);
    askName = [this]() -> std::optional<std::string> {
        bool ok = false;
        const QString name =
            QInputDialog::getText(this, EquipmentDialogModel::kAddDialogTitle, "Name:", QLineEdit::Normal, {}, &ok);
        if (!ok) return std::nullopt;
        return name.toStdString();
    };
    auto* layout = new QVBoxLayout(this);
    auto* body = new QHBoxLayout();
    names_ = new QListWidget(this);
    fields_ = new QTableWidget(0, 2, this);
    fields_->setHorizontalHeaderLabels({"Field", "Value"});
    fields_->horizontalHeader()->setStretchLastSection(true);
    fields_->verticalHeader()->hide();
    body->addWidget(names_, 1);
    body->addWidget(fields_, 2);
    layout->addLayout(body);
    auto* buttons = new QHBoxLayout();
    add_ = new QPushButton("Add", this);
    delete_ = new QPushButton("Delete", this);
    buttons->addWidget(add_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(names_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (refreshing_ || row < 0) return;
        model_.Choose(static_cast<std::size_t>(row));
        Refresh();
    });
    connect(fields_, &QTableWidget::cellChanged, this, [this](int row, int column) {
        if (refreshing_ || column != 1) return;
        const std::string name = fields_->item(row, 0)->text().toStdString();
        model_.SetField(name, fields_->item(row, 1)->text().toStdString());
        Refresh();  // a refused value shows the stored one again
    });
    connect(add_, &QPushButton::clicked, this, [this] {
        if (const auto name = askName()) model_.Add(*name);
        Refresh();
    });
    connect(delete_, &QPushButton::clicked, this, [this] {
        model_.DeleteSelected();
        Refresh();
    });
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);

    model_.Open();
    Refresh();
}

void CDlgEquipment::Refresh() {
    refreshing_ = true;
    names_->clear();
    for (const std::string& name : model_.Names()) names_->addItem(QString::fromStdString(name));
    const auto selected = model_.Selected();
    names_->setCurrentRow(selected ? static_cast<int>(*selected) : -1);
    const auto fields = model_.Fields();
    fields_->setRowCount(static_cast<int>(fields.size()));
    for (std::size_t i = 0; i < fields.size(); ++i) {
        auto* name = new QTableWidgetItem(QString::fromStdString(fields[i].name));
        name->setFlags(name->flags() & ~Qt::ItemIsEditable);
        fields_->setItem(static_cast<int>(i), 0, name);
        fields_->setItem(static_cast<int>(i), 1, new QTableWidgetItem(QString::fromStdString(fields[i].text)));
    }
    delete_->setEnabled(selected.has_value());
    refreshing_ = false;
}

}  // namespace orva
