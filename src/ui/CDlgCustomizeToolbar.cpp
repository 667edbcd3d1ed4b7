#include "ui/CDlgCustomizeToolbar.h"

#include "ui/QtText.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace orva {

CDlgCustomizeToolbar::CDlgCustomizeToolbar(const ToolbarLayout& layout, QWidget* parent)
    : QDialog(parent), layout_(layout) {
    setWindowTitle("Customize Toolbar");
    auto* top = new QVBoxLayout(this);

    auto* toolbarRow = new QHBoxLayout();
    toolbars_ = new QComboBox(this);
    connect(toolbars_, &QComboBox::activated, this, [this] { Show(); });
    auto* newToolbar = new QPushButton("&New toolbar...", this);
    connect(newToolbar, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const QString name = QInputDialog::getText(this, "New toolbar", "Name of the toolbar:", QLineEdit::Normal, "", &ok);
        if (ok && !NewToolbar(name.toStdString())) {
            QMessageBox::warning(this, "New toolbar", ToolbarLayout::kNameRefused);
        }
    });
    deleteToolbar_ = new QPushButton("&Delete toolbar", this);
    connect(deleteToolbar_, &QPushButton::clicked, this, [this] { DeleteToolbar(); });
    toolbarRow->addWidget(new QLabel("Toolbar", this));
    toolbarRow->addWidget(toolbars_, 1);
    toolbarRow->addWidget(newToolbar);
    toolbarRow->addWidget(deleteToolbar_);
    top->addLayout(toolbarRow);

    auto* grid = new QGridLayout();
    available_ = new QListWidget(this);
    onToolbar_ = new QListWidget(this);
    grid->addWidget(new QLabel("Commands", this), 0, 0);
    grid->addWidget(new QLabel("On the toolbar, in order", this), 0, 2);
    grid->addWidget(available_, 1, 0);
    grid->addWidget(onToolbar_, 1, 2);
    auto* buttons = new QVBoxLayout();
    const auto button = [&](const char* text, auto handler) {
        auto* b = new QPushButton(text, this);
        connect(b, &QPushButton::clicked, this, handler);
        buttons->addWidget(b);
    };
    button("&Add >", [this] { AddSelected(); });
    button("< &Remove", [this] { RemoveSelected(); });
    button("Move &up", [this] { MoveSelected(-1); });
    button("Move do&wn", [this] { MoveSelected(1); });
    buttons->addStretch(1);
    button("Re&set all", [this] { ResetToDefault(); });
    grid->addLayout(buttons, 1, 1);
    connect(available_, &QListWidget::itemDoubleClicked, this, [this] { AddSelected(); });
    connect(onToolbar_, &QListWidget::itemDoubleClicked, this, [this] { RemoveSelected(); });
    top->addLayout(grid, 1);

    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    top->addWidget(box);
    resize(560, 420);
    Show();
}

std::size_t CDlgCustomizeToolbar::Current() const {
    return static_cast<std::size_t>(std::max(toolbars_->currentIndex(), 0));
}

void CDlgCustomizeToolbar::Show(int selectCommand) {
    const std::size_t current = std::min(Current(), layout_.Toolbars().size() - 1);
    {
        const QSignalBlocker block(toolbars_);
        toolbars_->clear();
        for (const auto& toolbar : layout_.Toolbars()) toolbars_->addItem(Q(toolbar.name));
        toolbars_->setCurrentIndex(static_cast<int>(current));
    }
    deleteToolbar_->setEnabled(current > 0);
    onToolbar_->clear();
    for (const auto command : layout_.Toolbars()[current].commands) {
        onToolbar_->addItem(Q(ToolbarLayout::CommandName(command)));
    }
    if (selectCommand >= 0) onToolbar_->setCurrentRow(selectCommand);
    available_->clear();
    for (const auto command : layout_.Available(current)) {
        auto* item = new QListWidgetItem(Q(ToolbarLayout::CommandName(command)), available_);
        item->setData(Qt::UserRole, static_cast<int>(command));
    }
}

void CDlgCustomizeToolbar::AddSelected() {
    const QListWidgetItem* item = available_->currentItem();
    if (item == nullptr) return;
    const auto command = static_cast<ToolbarLayout::Command>(item->data(Qt::UserRole).toInt());
    if (layout_.Add(Current(), command)) Show(static_cast<int>(layout_.Toolbars()[Current()].commands.size()) - 1);
}

void CDlgCustomizeToolbar::RemoveSelected() {
    const int row = onToolbar_->currentRow();
    if (row >= 0 && layout_.Remove(Current(), static_cast<std::size_t>(row))) Show();
}

void CDlgCustomizeToolbar::MoveSelected(int delta) {
    const int row = onToolbar_->currentRow();
    if (row >= 0 && layout_.Move(Current(), static_cast<std::size_t>(row), delta)) Show(row + delta);
}

bool CDlgCustomizeToolbar::NewToolbar(const std::string& name) {
    if (!layout_.NewToolbar(name)) return false;
    toolbars_->addItem(Q(name));
    toolbars_->setCurrentIndex(toolbars_->count() - 1);
    Show();
    return true;
}

void CDlgCustomizeToolbar::DeleteToolbar() {
    const std::size_t current = Current();
    if (!layout_.DeleteToolbar(current)) return;
    toolbars_->setCurrentIndex(static_cast<int>(current) - 1);
    Show();
}

void CDlgCustomizeToolbar::ResetToDefault() {
    layout_ = ToolbarLayout();
    toolbars_->setCurrentIndex(0);
    Show();
}

}  // namespace orva
