// A widget's hold on its model: keeps the model alive and makes the widget its observer for
// exactly as long as the widget lives, so neither side can call into the other once it is gone.
#pragma once

#include <functional>
#include <memory>

template <typename Model>
class ModelBinding {
public:
    ModelBinding(std::shared_ptr<Model> model, std::function<void()> follow)
        : model_(std::move(model))
    {
        model_->setObserver(std::move(follow));
    }
    ~ModelBinding() { model_->setObserver(nullptr); }
    ModelBinding(const ModelBinding&) = delete;
    ModelBinding& operator=(const ModelBinding&) = delete;

    Model& operator*() const { return *model_; }
    Model* operator->() const { return model_.get(); }

private:
    std::shared_ptr<Model> model_;
};
