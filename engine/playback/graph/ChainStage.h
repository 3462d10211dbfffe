// CChainStage: the base of the stages that sit on one upstream stage and pass the stream's
// control through to it (the effects chain on the mix output, the final mix on the effects
// chain): activity, opening and closing the source, readiness and rewinding go upstream as they
// are. Holds one reference on upstream until Disconnect or destruction.
#pragma once

#include "engine/playback/graph/PlayerInput.h"

class CChainStage : public CPlayerInput {
public:
    explicit CChainStage(IPlayerInput* upstream);
    ~CChainStage() override;

    HRESULT STDMETHODCALLTYPE SetActive(BOOL active) override;
    HRESULT STDMETHODCALLTYPE IsActive() override;
    HRESULT STDMETHODCALLTYPE OpenSource() override;
    HRESULT STDMETHODCALLTYPE CloseSource() override;
    HRESULT STDMETHODCALLTYPE IsDataReady() override;
    HRESULT STDMETHODCALLTYPE Rewind() override;
    // Disconnects upstream and releases it.
    HRESULT STDMETHODCALLTYPE Disconnect() override;

protected:
    IPlayerInput* Upstream() const { return m_upstream; }

private:
    IPlayerInput* m_upstream;
};
